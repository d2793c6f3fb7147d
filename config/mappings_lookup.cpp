// Lookups and translations between the sources and destinations of TMappings.

#include <algorithm>

#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "filesys/path_ops.h"

namespace qv {

int TMappings::FindBySource(const std::string& path, int options) const {
  return Find(path, options);
}

int TMappings::FindByDestination(const std::string& path, int options) const {
  return Find(path, options | kFindDestinations);
}

int TMappings::Find(const std::string& path, int options) const {
  const std::string normal = NormaliseDirectory(ini_.platform(), path, true);
  const bool prefer_enabled = (options & kFindPreferEnabled) != 0;
  int best = -1;
  size_t best_length = 0;
  bool best_enabled = false;
  for (int i = 0; i < Count(); ++i) {
    const std::string candidate = (options & kFindDestinations) != 0 ? Destination(i) : Source(i);
    if (candidate.empty() || normal.compare(0, candidate.size(), candidate) != 0) continue;
    const bool enabled = Enabled(i);
    if (!enabled && ((options & kFindDisabled) == 0 || (prefer_enabled && best_enabled))) continue;
    const bool promote = prefer_enabled && enabled && best >= 0 && !best_enabled;
    if (best < 0 || promote || candidate.size() > best_length) {
      best = i;
      best_length = candidate.size();
      best_enabled = enabled;
    }
  }
  return best;
}

std::string TMappings::SourceToDestination(const std::string& path, const std::string& base,
                                           int options) const {
  return Translate(path, base, options, false);
}

std::string TMappings::DestinationToSource(const std::string& path, const std::string& base,
                                           int options) const {
  return Translate(path, base, options, true);
}

std::string TMappings::Translate(const std::string& path, const std::string& base, int options,
                                 bool to_source) const {
  // Trimmed as the lookup trims, so that the remainder is cut at the right place.
  std::string expanded = Trim(ExpandEnvironment(ini_.platform(), path));
  const bool relative = (options & kFindPatterns) != 0 && IsPattern(expanded) && !HasRoot(expanded);
  if (relative) {
    if (base.empty()) return expanded;
    expanded = base + expanded;
  }
  const int i = to_source ? FindByDestination(expanded, options) : FindBySource(expanded, options);
  if (i < 0) return std::string();
  const std::string from = to_source ? Destination(i) : Source(i);
  std::string result = to_source ? Source(i) : Destination(i);
  if (result.empty()) return result;  // an entry without a mapping holds no source
  // A path naming the directory itself may lack the trailing "/".
  if (expanded.size() > from.size()) result += expanded.substr(from.size());
  if (relative) result.erase(0, std::min(base.size(), result.size()));
  return result;
}

int TMappings::AskToExclude(const std::string& path, const TMappings* other,
                            const TAskQuestion& ask, const TShowInfo& inform) const {
  if (FindBySource(path, kFindDisabled) >= 0) {
    return ask("Add " + path + " to excluded sources?") ? 1 : 0;
  }
  if (FindByDestination(path, kFindDisabled) >= 0) {
    return ask("Add " + path + " to excluded destinations?") ? 2 : 0;
  }
  if (other != nullptr) return other->AskToExclude(path, nullptr, ask, inform);
  inform(path + " is not part of a mirror");
  return 0;
}

}  // namespace qv
