#ifndef QUORVANE_FILESYS_POSIX_COPY_STEPS_H_
#define QUORVANE_FILESYS_POSIX_COPY_STEPS_H_

#include <cerrno>
#include <cstdint>

#include <sys/stat.h>

#include "filesys/platform.h"
#include "filesys/status.h"

namespace qv {

// The most a copy moves between two progress reports, and the buffer of the
// read/write path.
inline constexpr int64_t kCopyChunk = int64_t{1} << 20;

// Calls f again for as long as it fails with EINTR.
template <typename F>
auto RetryOnEintr(F f) {
  auto result = f();
  while (result == -1 && errno == EINTR) result = f();
  return result;
}

// Copies the data of the regular file open as in, described by st (its fstat
// when it was opened), to the same offsets of out: holes stay holes and out
// ends exactly st.st_size bytes long. Progress is reported before the first
// byte, after every chunk of at most kCopyChunk bytes and at the end, with the
// file offset reached (holes count as done); an answer other than 0 stops the
// copy with that code. A source that ends early fails with SourceChanged.
Status CopyFileData(int in, int out, const struct stat& st, const CopyProgress& progress);

// Finds the next data extent [*data, *hole) of in at or after offset, cut at
// size; *data == size when only a hole is left. Where the file system cannot
// search for holes, everything from offset on is data.
Status NextExtent(int in, int64_t offset, int64_t size, int64_t* data, int64_t* hole);

// The user.* extended attributes of in, set on out. Those the destination
// does not keep (none at all, or one too large) add kMetaXattrs to *lost;
// security.*, trusted.* and system.* are left to the security copy.
Status CopyUserXattrs(int in, int out, uint32_t* lost);

// Owner and group of st (where the process may give files away; otherwise
// out keeps its own and kMetaOwners goes into *lost) and the POSIX ACL of in
// (or none) on out. Before ApplyModeAndTimes, as a change of owner clears the
// set-ID bits.
Status CopySecurity(int in, int out, const struct stat& st, uint32_t* lost);

// Permission bits (a set-ID bit only where out has the owner or group it
// names) and access and write time of st, applied to out; after the last
// write, as writing moves the write time. Bits the destination refuses add
// kMetaModes to *lost.
Status ApplyModeAndTimes(int out, const struct stat& st, uint32_t* lost);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_COPY_STEPS_H_
