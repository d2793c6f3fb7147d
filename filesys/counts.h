#ifndef QUORVANE_FILESYS_COUNTS_H_
#define QUORVANE_FILESYS_COUNTS_H_

#include <cstdint>

namespace qv {

// The four values every counter set holds, as stored and as walks add them
// up. The richer counter classes (stats/dir_info.h) convert to and from it.
struct TCounts {
  int32_t files = 0;
  int32_t dirs = 0;
  int64_t size = 0;
  int64_t compressed_size = 0;

  void AddFile(int64_t bytes, int64_t compressed) {
    ++files;
    size += bytes;
    compressed_size += compressed;
  }
  bool operator==(const TCounts&) const = default;
};

}  // namespace qv

#endif  // QUORVANE_FILESYS_COUNTS_H_
