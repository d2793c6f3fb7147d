// Calls that create, remove or change one entry. None follows a symbolic link
// in the last component.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/posix/posix_move.h"
#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

Status Check(int result) { return result == 0 ? Status::Ok() : ErrnoStatus(); }

timespec TimeOrOmit(FileTime time) {
  if (time != 0) return ToTimespec(time);
  timespec omit{};
  omit.tv_nsec = UTIME_OMIT;
  return omit;
}

}  // namespace

Status PosixPlatform::CreateDir(const std::string& path) {
  return Check(::mkdir(path.c_str(), 0777));
}

Status PosixPlatform::RemoveDir(const std::string& path) {
  return Check(::rmdir(EntryPath(path).c_str()));
}

Status PosixPlatform::DeleteFile(const std::string& path) {
  return Check(::unlink(EntryPath(path).c_str()));
}

Status PosixPlatform::Move(const std::string& from, const std::string& to) {
  return MoveNoReplace(EntryPath(from), EntryPath(to));
}

Status PosixPlatform::Link(const std::string& from, const std::string& to) {
  return Check(::link(EntryPath(from).c_str(), EntryPath(to).c_str()));
}

Status PosixPlatform::SetAttributes(const std::string& path, uint32_t attributes) {
  const std::string entry = EntryPath(path);
  struct stat st;
  if (::lstat(entry.c_str(), &st) != 0) return ErrnoStatus();
  // A link's own permission bits mean nothing; its target is not touched.
  if (S_ISLNK(st.st_mode)) return Status::Ok();
  const mode_t mode = st.st_mode & 07777;
  const mode_t wanted = (attributes & kAttrReadOnly) != 0 ? mode & ~mode_t{0222} : mode | S_IWUSR;
  if (wanted == mode) return Status::Ok();
  return ChangeModeNoFollow(entry, wanted);
}

Status PosixPlatform::SetTimes(const std::string& path, FileTime access, FileTime write) {
  const timespec times[2] = {TimeOrOmit(access), TimeOrOmit(write)};
  return Check(::utimensat(AT_FDCWD, EntryPath(path).c_str(), times, AT_SYMLINK_NOFOLLOW));
}

Status PosixPlatform::ReadLink(const std::string& path, std::string* target) {
  const std::string entry = EntryPath(path);
  // Grow until the text fits with room to spare (readlink does not say when
  // it cut the text short).
  for (size_t size = 256;; size *= 2) {
    target->resize(size);
    const ssize_t got = ::readlink(entry.c_str(), target->data(), size);
    if (got < 0) return ErrnoStatus();
    if (static_cast<size_t>(got) < size) {
      target->resize(static_cast<size_t>(got));
      return Status::Ok();
    }
  }
}

Status PosixPlatform::CreateSymlink(const std::string& target, const std::string& path) {
  return Check(::symlink(target.c_str(), EntryPath(path).c_str()));
}

}  // namespace qv
