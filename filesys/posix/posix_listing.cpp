// Stat and ListDir: the hot path of every scan. One statx per entry, relative
// to the open directory, and no full-path lookups.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>

#include "filesys/posix/file_info.h"
#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"
#include "filesys/posix/private_entries.h"
#include "filesys/posix/unique_fd.h"

namespace qv {

namespace {

// Large enough for several hundred names per getdents64 call.
constexpr size_t kListBufferSize = 32 * 1024;

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Adds one listed name. An entry removed since it was listed is skipped: the
// listing then shows the directory as it is now.
Status AddEntry(int dir_fd, const char* name, std::vector<DirEntry>* entries) {
  struct statx stx;
  Status s = StatEntry(dir_fd, name, &stx);
  if (s.code() == ENOENT) return Status::Ok();
  if (!s.ok()) return s;
  DirEntry& entry = entries->emplace_back();
  entry.name = name;
  FillFileInfo(dir_fd, name, entry.name, stx, &entry.info);
  return Status::Ok();
}

}  // namespace

Status PosixPlatform::Stat(const std::string& path, FileInfo* info) {
  const std::string entry = EntryPath(path);
  return confinement_.At(entry, [&](AtPath at) {
    struct statx stx;
    Status s = StatEntry(at.dir, at.name, &stx);
    if (s.ok()) FillFileInfo(at.dir, at.name, LeafName(entry), stx, info);
    return s;
  });
}

Status PosixPlatform::StatWithBirth(const std::string& path, FileInfo* info) {
  const std::string entry = EntryPath(path);
  struct statx stx;
  Status s = StatEntry(AT_FDCWD, entry.c_str(), &stx, STATX_BTIME);
  if (!s.ok()) return s;
  FillFileInfo(AT_FDCWD, entry.c_str(), LeafName(entry), stx, info);
  FillBirthTime(stx, info);
  return s;
}

namespace {

// Reads every entry of the open directory fd.
Status ReadListing(int fd, std::vector<DirEntry>* entries) {
  entries->clear();
  alignas(struct dirent64) char buffer[kListBufferSize];
  for (;;) {
    const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
    if (got == 0) return Status::Ok();
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus();
    }
    for (ssize_t pos = 0; pos < got;) {
      const auto* record = reinterpret_cast<const struct dirent64*>(buffer + pos);
      pos += record->d_reclen;
      if (IsDotOrDotDot(record->d_name)) continue;
      Status s = AddEntry(fd, record->d_name, entries);
      if (!s.ok()) return s;
    }
  }
}

// A link where a directory was listed is refused as the confinement refuses
// one on its way (ELOOP), anything else as no directory.
Status LinkOrNotDir(int dir_fd, const std::string& name) {
  struct stat st;
  const bool link =
      ::fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
  return Status::FromErrno(link ? ELOOP : ENOTDIR);
}

}  // namespace

Status PosixPlatform::ListDir(const std::string& dir, std::vector<DirEntry>* entries) {
  entries->clear();
  std::shared_ptr<const UniqueFd> fd;
  Status opened = confinement_.OpenDirectory(dir, &fd);
  if (!opened.ok()) return opened;
  return ReadListing(fd->get(), entries);
}

Status PosixPlatform::ListDirAt(const HeldDir& held, const std::string& name,
                                std::vector<DirEntry>* entries, DirIdentity* identity) {
  entries->clear();
  if (name.find('/') != std::string::npos || name == "." || name == "..") {
    return Status::FromErrno(EINVAL);
  }
  // What a path could not reach, the descriptor does not reach either.
  if (held.path().size() + 1 + name.size() >= PATH_MAX) return Status::FromErrno(ENAMETOOLONG);
  const int held_fd = static_cast<const PosixHeldDir&>(held).fd();
  UniqueFd fd(::openat(held_fd, name.empty() ? "." : name.c_str(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) return errno == ENOTDIR ? LinkOrNotDir(held_fd, name) : ErrnoStatus();
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return ErrnoStatus();
  identity->device = st.st_dev;
  identity->inode = st.st_ino;
  return ReadListing(fd.get(), entries);
}

}  // namespace qv
