#include "filesys/posix/posix_move.h"

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

Status MoveByLink(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) != 0) return ErrnoStatus();
  if (::unlink(from.c_str()) == 0) return Status::Ok();
  Status s = ErrnoStatus();
  (void)::unlink(to.c_str());  // the new name only: from keeps the data
  return s;
}

Status CheckedRename(const std::string& from, const std::string& to) {
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return Status::FromErrno(EEXIST);
  if (errno != ENOENT) return ErrnoStatus();
  if (::rename(from.c_str(), to.c_str()) != 0) return ErrnoStatus();
  return Status::Ok();
}

}  // namespace

Status MoveNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return Status::Ok();
  }
  if (errno != EINVAL && errno != ENOSYS) return ErrnoStatus();
  // EINVAL also means "into its own subdirectory"; the fallback's rename then
  // answers the same.
  return MoveNoReplaceFallback(from, to);
}

Status MoveNoReplaceFallback(const std::string& from, const std::string& to) {
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return ErrnoStatus();
  if (!S_ISDIR(st.st_mode)) {
    Status s = MoveByLink(from, to);
    if (s.ok() || s.code() == EEXIST) return s;
  }
  return CheckedRename(from, to);
}

}  // namespace qv
