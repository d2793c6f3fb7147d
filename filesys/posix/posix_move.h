#ifndef QUORVANE_FILESYS_POSIX_POSIX_MOVE_H_
#define QUORVANE_FILESYS_POSIX_POSIX_MOVE_H_

#include <string>

#include "filesys/posix/posix_util.h"
#include "filesys/status.h"

namespace qv {

// Renames the entry from to to (both without trailing "/") and never replaces
// an existing to: that fails with EEXIST and changes nothing. Uses
// renameat2(RENAME_NOREPLACE) and MoveNoReplaceFallbackAt where the file
// system refuses that flag.
Status MoveNoReplaceAt(AtPath from, AtPath to);

// The same for file systems without RENAME_NOREPLACE. A file or link moves as
// link(2) + unlink(2), which refuses an existing to atomically. Where hard
// links are refused too, and for directories, the move checks that to is
// missing and then renames: an empty directory created at to by another
// process between the two calls would be replaced. rename(2) offers nothing
// better there.
Status MoveNoReplaceFallbackAt(AtPath from, AtPath to);
// The fallback for whole paths.
Status MoveNoReplaceFallback(const std::string& from, const std::string& to);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_POSIX_MOVE_H_
