#ifndef QUORVANE_FILESYS_POSIX_DIR_LOCK_H_
#define QUORVANE_FILESYS_POSIX_DIR_LOCK_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "filesys/platform.h"

namespace qv {

enum class TLockMode { kExclusive, kShared };

// Platform::LockDir and LockDirShared; with on_directory false it goes
// straight to the fallback file, as on a file system that refuses flock on
// directories.
Status PosixLockDir(const std::string& dir, const std::string& fallback_name, bool on_directory,
                    std::unique_ptr<DirLock>* lock, LockHolder* holder,
                    TLockMode mode = TLockMode::kExclusive);

// The process holding a granted lock on the file (device major:minor,
// inode) in table, the text of /proc/locks; 0 when none is listed. Waiters
// ("->" lines) hold nothing. *none_exclusive (may be null) tells whether no
// granted lock on it is exclusive: true also when none is listed, as when the
// holders let go between a refused flock and the reading of the table.
int64_t LockHolderPid(std::string_view table, unsigned major, unsigned minor, uint64_t inode,
                      bool* none_exclusive = nullptr);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_DIR_LOCK_H_
