#include "config/filter.h"

#include <algorithm>
#include <utility>

#include "config/wildcard.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

const char* const kTypeNames[kFilterTypeCount] = {"excluded source", "excluded destination",
                                                  "included source", "included source dir",
                                                  "remove empty destination dir"};

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != text.npos; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A pattern that MatchPatterns would read exactly as written.
bool IsLiteral(const std::string& pattern) {
  return !pattern.empty() && pattern.find_first_of("*?;") == pattern.npos &&
         !IsBlank(pattern.front()) && !IsBlank(pattern.back());
}

std::string DirectoryPart(const std::string& pattern) {
  const std::string own = pattern.ends_with(kSep) ? pattern.substr(0, pattern.size() - 1) : pattern;
  const size_t sep = own.rfind(kSep);
  return sep == std::string::npos ? std::string() : own.substr(0, sep + 1);
}

std::string_view WithoutTrailingSep(std::string_view path) {
  if (path.size() > 1 && path.back() == kSep) path.remove_suffix(1);
  return path;
}

int Components(std::string_view path) {
  int count = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] != kSep && (i == 0 || path[i - 1] == kSep)) ++count;
  }
  return count;
}

// An included directory named by a plain path includes everything below it.
bool IncludesBelow(const TFilter& filter, const std::string& dir) {
  return filter.rooted && filter.pattern.ends_with(kSep) && dir.starts_with(filter.pattern);
}

}  // namespace

const char* FilterTypeName(int type) {
  return type >= 0 && type < kFilterTypeCount ? kTypeNames[type] : kTypeNames[0];
}

int FilterTypeFromName(const std::string& name) {
  for (int type = 1; type < kFilterTypeCount; ++type) {
    if (name == kTypeNames[type]) return type;
  }
  return kExcludedSource;
}

TFilter::TFilter(std::string pattern_text, uint32_t required, bool log_matches)
    : pattern(std::move(pattern_text)),
      directory(DirectoryPart(pattern)),
      rooted(HasRoot(pattern)),
      required_attributes(required),
      log(log_matches),
      literal_(IsLiteral(pattern)),
      literal_directory_(!HasWildcard(directory)) {}

bool TFilter::Matches(const std::string& dir, const std::string& name,
                      const std::string& full_path) const {
  const bool is_dir = full_path.ends_with(kSep);
  return Matches(dir, WithoutTrailingSep(name), WithoutTrailingSep(full_path), is_dir);
}

bool TFilter::Matches(std::string_view dir, std::string_view name, std::string_view path,
                      bool is_dir) const {
  if (directory.empty()) return MatchesText(pattern, name, is_dir);
  if (rooted) return MatchesText(pattern, path, is_dir);
  // A relative pattern applies in every directory that ends with its
  // directory part as a whole component.
  const size_t tail = directory.size();
  if (dir.size() <= tail || !dir.ends_with(directory) || dir[dir.size() - tail - 1] != kSep) {
    return false;
  }
  if (literal_directory_) {
    return MatchesText(std::string_view(pattern).substr(tail), name, is_dir);
  }
  const std::string anchored = std::string(dir.substr(0, dir.size() - tail)) + pattern;
  return MatchesText(anchored, path, is_dir);
}

int TFilter::Rank(std::string_view path) const {
  return 2 * Components(rooted ? std::string_view(pattern) : path) + (HasWildcard(pattern) ? 0 : 1);
}

bool TFilter::MatchesText(std::string_view patterns, std::string_view text, bool is_dir) const {
  if (!literal_) return MatchPatterns(patterns, text, is_dir);
  if (patterns.ends_with(kSep)) return is_dir && patterns.substr(0, patterns.size() - 1) == text;
  return patterns == text;
}

void TFilters::Add(std::unique_ptr<TFilter> filter) {
  std::string pattern = filter->pattern;
  list_.Add(std::move(pattern), std::move(filter));
}

template <class Visit>
void TFilters::ForEachMatch(const std::string& directory, const std::string& name,
                            const std::string& full_path, const Visit& visit) const {
  const bool is_dir = full_path.ends_with(kSep);
  const std::string_view bare_name = WithoutTrailingSep(name);
  const std::string_view path = WithoutTrailingSep(full_path);
  for (int i = 0; i < Count(); ++i) {
    if (Filter(i).Matches(directory, bare_name, path, is_dir) && visit(i)) return;
  }
}

int TFilters::FindMatch(const std::string& directory, const std::string& name,
                        const std::string& full_path) const {
  int found = -1;
  ForEachMatch(directory, name, full_path, [&](int i) {
    found = i;
    return true;
  });
  return found;
}

bool TFilters::MatchAndLog(const std::string& directory, const std::string& name, TLogger& logger,
                           const std::string& prefix, bool log_wanted, bool remove_exact,
                           const std::string& full_path) {
  const int i = FindMatch(directory, name, full_path);
  if (i < 0) return false;
  LogMatch(i, logger, prefix, log_wanted, remove_exact, full_path);
  return true;
}

int TFilters::FindExclusion(const std::string& directory, const std::string& name,
                            const std::string& full_path, int include_rank) const {
  int protecting = -1;
  int first = -1;
  ForEachMatch(directory, name, full_path, [&](int i) {
    const TFilter& filter = Filter(i);
    if (filter.protects) {
      protecting = i;
      return true;
    }
    if (first < 0 && filter.Rank(full_path) >= include_rank) first = i;
    return false;
  });
  return protecting >= 0 ? protecting : first;
}

void TFilters::LogMatch(int i, TLogger& logger, const std::string& prefix, bool log_wanted,
                        bool remove_exact, const std::string& full_path) {
  const TFilter& filter = Filter(i);
  const bool exact = full_path == filter.pattern;
  if (log_wanted && filter.log) {
    logger.LogLine(prefix + full_path + (exact ? "" : " matching " + filter.pattern));
  }
  if (exact && remove_exact) Delete(i);
}

int TFilters::FindFilterInside(const std::string& directory) const {
  for (int i = 0; i < Count(); ++i) {
    const TFilter& filter = Filter(i);
    if (filter.rooted && IsInside(filter.pattern, directory)) {
      return i;
    }
  }
  return -1;
}

void TFilters::RemoveFiltersOfDirectory(const std::string& directory) {
  for (int i = Count() - 1; i >= 0; --i) {
    if (Filter(i).directory == directory) Delete(i);
  }
}

void TFilters::RemoveFiltersInside(const std::string& directory) {
  for (int i = Count() - 1; i >= 0; --i) {
    if (Pattern(i).starts_with(directory)) Delete(i);
  }
}

int FindInclusion(const TFilters& includes, const std::string& dir, const std::string& name,
                  uint32_t attributes, const std::string& full, bool* direct, int* rank) {
  int first = -1;
  for (int i = 0; i < includes.Count(); ++i) {
    const TFilter& filter = includes.Filter(i);
    const bool below = IncludesBelow(filter, dir);
    if (!below && ((attributes & filter.required_attributes) != filter.required_attributes ||
                   !filter.Matches(dir, name, full))) {
      continue;
    }
    if (first < 0) {
      first = i;
      *direct = !below;
    }
    if (filter.rooted) *rank = std::max(*rank, filter.Rank(full));
  }
  return first;
}

}  // namespace qv
