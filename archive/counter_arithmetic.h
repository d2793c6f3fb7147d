#ifndef QUORVANE_ARCHIVE_COUNTER_ARITHMETIC_H_
#define QUORVANE_ARCHIVE_COUNTER_ARITHMETIC_H_

#include "filesys/counts.h"
#include "stats/dir_info.h"

namespace qv {

// a - b, field by field.
inline TCounts Difference(const TCounts& a, const TCounts& b) {
  return TCounts{a.files - b.files, a.dirs - b.dirs, a.size - b.size,
                 a.compressed_size - b.compressed_size};
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
