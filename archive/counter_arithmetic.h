#ifndef QUORVANE_ARCHIVE_COUNTER_ARITHMETIC_H_
#define QUORVANE_ARCHIVE_COUNTER_ARITHMETIC_H_

#include <algorithm>

#include "filesys/counts.h"
#include "stats/dir_info.h"

namespace qv {

// a - b, field by field.
inline TCounts Difference(const TCounts& a, const TCounts& b) {
  return TCounts{a.files - b.files, a.dirs - b.dirs, a.size - b.size,
                 a.compressed_size - b.compressed_size};
}

// The fields of counts that are above 0; the others 0.
inline TCounts Positive(const TCounts& counts) {
  return TCounts{std::max<int32_t>(counts.files, 0), std::max<int32_t>(counts.dirs, 0),
                 std::max<int64_t>(counts.size, 0), std::max<int64_t>(counts.compressed_size, 0)};
}

inline void AddCounts(TDirInfo* to, const TCounts& counts) {
  to->Add(counts.files, counts.dirs, counts.size, counts.compressed_size);
}

inline void SubtractCounts(TDirInfo* from, const TCounts& counts) {
  from->Subtract(counts.files, counts.dirs, counts.size, counts.compressed_size);
}

inline std::string CountsText(const TCounts& counts) { return TDirInfo(counts).ToText(); }

}  // namespace qv

#endif  // QUORVANE_ARCHIVE_COUNTER_ARITHMETIC_H_
