#include "filesys/posix/posix_move.h"

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

Status MoveByLink(AtPath from, AtPath to) {
  if (::linkat(from.dir, from.name, to.dir, to.name, 0) != 0) return ErrnoStatus();
  if (::unlinkat(from.dir, from.name, 0) == 0) return Status::Ok();
  Status s = ErrnoStatus();
  (void)::unlinkat(to.dir, to.name, 0);  // the new name only: from keeps the data
  return s;
}

Status CheckedRename(AtPath from, AtPath to) {
  struct stat st;
  if (::fstatat(to.dir, to.name, &st, AT_SYMLINK_NOFOLLOW) == 0) return Status::FromErrno(EEXIST);
  if (errno != ENOENT) return ErrnoStatus();
  if (::renameat(from.dir, from.name, to.dir, to.name) != 0) return ErrnoStatus();
  return Status::Ok();
}

}  // namespace

Status MoveNoReplaceFallback(const std::string& from, const std::string& to) {
  return MoveNoReplaceFallbackAt(AtPath{AT_FDCWD, from.c_str()}, AtPath{AT_FDCWD, to.c_str()});
}

Status MoveNoReplaceAt(AtPath from, AtPath to) {
  if (::renameat2(from.dir, from.name, to.dir, to.name, RENAME_NOREPLACE) == 0) {
    return Status::Ok();
  }
  if (errno != EINVAL && errno != ENOSYS) return ErrnoStatus();
  // EINVAL also means "into its own subdirectory"; the fallback's rename then
  // answers the same.
  return MoveNoReplaceFallbackAt(from, to);
}

Status MoveNoReplaceFallbackAt(AtPath from, AtPath to) {
  struct stat st;
  if (::fstatat(from.dir, from.name, &st, AT_SYMLINK_NOFOLLOW) != 0) return ErrnoStatus();
  if (!S_ISDIR(st.st_mode)) {
    Status s = MoveByLink(from, to);
    if (s.ok() || s.code() == EEXIST) return s;
  }
  return CheckedRename(from, to);
}

}  // namespace qv
