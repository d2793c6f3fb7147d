// Calls that create, remove or change one entry. None follows a symbolic link
// in the last component; below a confinement root, none in any component.
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

Status SetReadOnly(AtPath entry, uint32_t attributes) {
  struct stat st;
  if (::fstatat(entry.dir, entry.name, &st, AT_SYMLINK_NOFOLLOW) != 0) return ErrnoStatus();
  // A link's own permission bits mean nothing; its target is not touched.
  if (S_ISLNK(st.st_mode)) return Status::Ok();
  const mode_t mode = st.st_mode & 07777;
  const mode_t wanted = (attributes & kAttrReadOnly) != 0 ? mode & ~mode_t{0222} : mode | S_IWUSR;
  if (wanted == mode) return Status::Ok();
  return ChangeModeNoFollow(entry, wanted);
}

Status ReadLinkAt(AtPath entry, std::string* target) {
  // Grow until the text fits with room to spare (readlink does not say when
  // it cut the text short).
  for (size_t size = 256;; size *= 2) {
    target->resize(size);
    const ssize_t got = ::readlinkat(entry.dir, entry.name, target->data(), size);
    if (got < 0) return ErrnoStatus();
    if (static_cast<size_t>(got) < size) {
      target->resize(static_cast<size_t>(got));
      return Status::Ok();
    }
  }
}

}  // namespace

Status PosixPlatform::CreateDir(const std::string& path) {
  return confinement_.At(path, [](AtPath at) { return Check(::mkdirat(at.dir, at.name, 0777)); });
}

Status PosixPlatform::RemoveDir(const std::string& path) {
  const Status s = confinement_.At(
      EntryPath(path), [](AtPath at) { return Check(::unlinkat(at.dir, at.name, AT_REMOVEDIR)); });
  confinement_.Forget();
  return s;
}

Status PosixPlatform::DeleteFile(const std::string& path) {
  return confinement_.At(EntryPath(path),
                         [](AtPath at) { return Check(::unlinkat(at.dir, at.name, 0)); });
}

Status PosixPlatform::Move(const std::string& from, const std::string& to) {
  const Status s = confinement_.At(EntryPath(from), EntryPath(to), MoveNoReplaceAt);
  confinement_.Forget();
  return s;
}

Status PosixPlatform::Link(const std::string& from, const std::string& to) {
  return confinement_.At(EntryPath(from), EntryPath(to), [](AtPath a, AtPath b) {
    return Check(::linkat(a.dir, a.name, b.dir, b.name, 0));
  });
}

Status PosixPlatform::SetAttributes(const std::string& path, uint32_t attributes) {
  return confinement_.At(EntryPath(path), [&](AtPath at) { return SetReadOnly(at, attributes); });
}

Status PosixPlatform::SetTimes(const std::string& path, FileTime access, FileTime write) {
  const timespec times[2] = {TimeOrOmit(access), TimeOrOmit(write)};
  return confinement_.At(EntryPath(path), [&](AtPath at) {
    return Check(::utimensat(at.dir, at.name, times, AT_SYMLINK_NOFOLLOW));
  });
}

Status PosixPlatform::ReadLink(const std::string& path, std::string* target) {
  return confinement_.At(EntryPath(path), [&](AtPath at) { return ReadLinkAt(at, target); });
}

Status PosixPlatform::CreateSymlink(const std::string& target, const std::string& path) {
  return confinement_.At(EntryPath(path), [&](AtPath at) {
    return Check(::symlinkat(target.c_str(), at.dir, at.name));
  });
}

}  // namespace qv
