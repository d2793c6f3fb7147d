#ifndef QUORVANE_CONFIG_FILTER_H_
#define QUORVANE_CONFIG_FILTER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "filesys/wide_string_list.h"

namespace qv {

class TLogger;

// Stored FilterType values.
enum TFilterType : int {
  kExcludedSource = 0,
  kExcludedDestination = 1,
  kIncludedSource = 2,
  kIncludedSourceDir = 3,
  kRemoveEmptyDestinationDir = 4,
};
inline constexpr int kFilterTypeCount = 5;

// The name of a type in log lines and in the configuration grid; "excluded
// source" for a value outside the range.
const char* FilterTypeName(int type);
// Exact comparison with the names of types 1 .. 4; anything else is 0.
int FilterTypeFromName(const std::string& name);

// The rank of an include without a path (a name pattern, "*.*"): it never
// outranks an exclusion. See TFilter::Rank.
inline constexpr int kUnranked = -1;

// One active filter of a mirror.
class TFilter {
 public:
  // pattern is the prepared text; a directory ends with "/".
  TFilter(std::string pattern, uint32_t required_attributes, bool log);

  // Whether the filter matches an entry of directory (which ends with "/").
  // full_path is directory + name, with a trailing "/" for a directory. A
  // pattern ending with "/" matches directories only; other patterns match
  // files and directories alike.
  bool Matches(const std::string& directory, const std::string& name,
               const std::string& full_path) const;
  // The same with the entry already taken apart: path is the full path
  // without a trailing "/", name has none either.
  bool Matches(std::string_view directory, std::string_view name, std::string_view path,
               bool is_dir) const;
  // How specifically the filter names the entry at path, which it matches:
  // twice the number of path components it names, plus one when it names
  // them without wildcards. An absolute pattern names its own components; a
  // name or relative pattern names the entry itself, wherever it is. Between
  // the user's inclusions and exclusions the higher rank wins whatever their
  // order, an exclusion on a tie.
  int Rank(std::string_view path) const;

  std::string pattern;
  // The pattern without its trailing "/", cut after its last "/": empty for a
  // bare name pattern, "Temp/" for "Temp/*.tmp", "/data/" for "/data/x/".
  std::string directory;
  bool rooted = false;               // an absolute pattern, matched against the full path
  uint32_t required_attributes = 0;  // kAttrDirectory for "included source dir"
  bool log = true;                   // log every entry it matches
  // An exclusion that keeps out what must not be mirrored (an excluded
  // destination's source, an overlapping mirror, a file mapping, the
  // archive, the automatic filters): no inclusion outranks it.
  bool protects = false;

 private:
  bool MatchesText(std::string_view patterns, std::string_view text, bool is_dir) const;

  bool literal_ = false;            // no wildcard, no list: compared as a string
  bool literal_directory_ = false;  // the directory part holds no wildcard
};

class TFilters;

// The first inclusion of includes, in list order, that matches the entry name
// of dir (with the attributes it requires) or includes the whole of dir (a
// plain directory path above it), or -1; *direct tells whether it named the
// entry itself, and *rank gets the highest rank of all that apply.
int FindInclusion(const TFilters& includes, const std::string& dir, const std::string& name,
                  uint32_t attributes, const std::string& full, bool* direct, int* rank);

// The filters of one list of a mirror, in the order they were added; the list
// owns them. Used by the mirror thread alone.
class TFilters {
 public:
  int Count() const { return list_.Count(); }
  bool Empty() const { return list_.Empty(); }
  const std::string& Pattern(int i) const { return list_.Text(i); }
  const TFilter& Filter(int i) const { return *list_.Object(i); }
  // Index of the filter with exactly this pattern, or -1.
  int Find(const std::string& pattern) const { return list_.Find(pattern); }
  void Add(std::unique_ptr<TFilter> filter);
  void Delete(int i) { list_.Delete(i); }
  void Clear() { list_.Clear(); }

  // Index of the first filter that matches the entry (see TFilter::Matches),
  // or -1.
  int FindMatch(const std::string& directory, const std::string& name,
                const std::string& full_path) const;
  // FindMatch, then: when log_wanted and the filter logs, logs prefix +
  // full_path, followed by " matching " + pattern unless they are equal; when
  // remove_exact and the full path equals the pattern, the filter is removed
  // (a plain path is used up by its one match). Answers whether a filter
  // matched.
  bool MatchAndLog(const std::string& directory, const std::string& name, TLogger& logger,
                   const std::string& prefix, bool log_wanted, bool remove_exact,
                   const std::string& full_path);
  // Index of an exclusion that matches the entry and that an include of
  // rank include_rank does not outrank, or -1: the first that protects, else
  // the first whose rank is at least include_rank.
  int FindExclusion(const std::string& directory, const std::string& name,
                    const std::string& full_path, int include_rank) const;
  // What MatchAndLog does once filter i matched full_path: log, and use up a
  // plain path.
  void LogMatch(int i, TLogger& logger, const std::string& prefix, bool log_wanted,
                bool remove_exact, const std::string& full_path);
  // Index of the first absolute filter whose pattern lies strictly inside
  // directory, or -1: an included source below directory that the walk must
  // lead to.
  int FindFilterInside(const std::string& directory) const;
  // Removes the filters whose directory part is directory.
  void RemoveFiltersOfDirectory(const std::string& directory);
  // Removes the filters whose pattern is directory or lies inside it.
  void RemoveFiltersInside(const std::string& directory);

 private:
  // Calls visit(i) for each filter i that matches the entry, in list order,
  // until it answers true.
  template <class Visit>
  void ForEachMatch(const std::string& directory, const std::string& name,
                    const std::string& full_path, const Visit& visit) const;

  TWideStringList<TFilter> list_;
};

}  // namespace qv

#endif  // QUORVANE_CONFIG_FILTER_H_
