#ifndef QUORVANE_TESTS_SUPPORT_TEXT_SEARCH_H_
#define QUORVANE_TESTS_SUPPORT_TEXT_SEARCH_H_

#include <string>

namespace qv::testing {

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Occurrences of part in text, overlapping ones included.
inline int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_SUPPORT_TEXT_SEARCH_H_
