#ifndef QUORVANE_TESTS_SUPPORT_ENTRY_NAMES_H_
#define QUORVANE_TESTS_SUPPORT_ENTRY_NAMES_H_

#include <algorithm>
#include <string>
#include <vector>

#include "filesys/platform.h"

namespace qv::testing {

// The names of a listing, sorted: listings come in no set order.
inline std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
  std::vector<std::string> names;
  for (const DirEntry& entry : entries) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_SUPPORT_ENTRY_NAMES_H_
