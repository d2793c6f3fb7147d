// Small whole files: logs, exports, the autostart entry.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"
#include "filesys/posix/private_entries.h"
#include "filesys/posix/unique_fd.h"

namespace qv {

namespace {

// A new file beside entry, created exclusively so that nothing else is
// overwritten or shared; *temp is relative to entry.dir.
Status OpenTempBeside(AtPath entry, std::string* temp, UniqueFd* fd) {
  const std::string_view name(entry.name);
  const std::string_view dir = name.substr(0, name.rfind('/') + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp = std::string(dir) + ".qv-write-" + RandomHex();
    UniqueFd opened(
        ::openat(entry.dir, temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (opened.valid()) {
      *fd = std::move(opened);
      return Status::Ok();
    }
    if (errno != EEXIST) return ErrnoStatus();
  }
  return Status::FromErrno(EEXIST);
}

// A file that is replaced keeps its permission bits.
Status KeepMode(AtPath entry, int fd) {
  struct stat st;
  if (::fstatat(entry.dir, entry.name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? Status::Ok() : ErrnoStatus();
  }
  if (S_ISREG(st.st_mode) && ::fchmod(fd, st.st_mode & 07777) != 0) return ErrnoStatus();
  return Status::Ok();
}

Status ReplaceFile(AtPath entry, const std::string& data) {
  std::string temp;
  UniqueFd fd;
  Status s = OpenTempBeside(entry, &temp, &fd);
  if (!s.ok()) return s;
  s = KeepMode(entry, fd.get());
  if (s.ok()) s = WriteAll(fd.get(), data);
  // Data on disk before the rename, so the name never shows a torn file.
  if (s.ok() && ::fsync(fd.get()) != 0) s = ErrnoStatus();
  if (s.ok() && fd.Close() != 0) s = ErrnoStatus();
  if (s.ok() && ::renameat(entry.dir, temp.c_str(), entry.dir, entry.name) != 0) s = ErrnoStatus();
  if (!s.ok()) (void)::unlinkat(entry.dir, temp.c_str(), 0);
  return s;
}

// A file it makes is private: 0600 and owned like its directory, open as
// entry.dir.
Status AppendToFile(AtPath entry, const std::string& data, bool* created) {
  constexpr int kFlags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW;
  constexpr mode_t kMode = 0600;
  for (;;) {
    // Exclusive create first: that is the only race-free way to know whether
    // this call made the file.
    UniqueFd fd(::openat(entry.dir, entry.name, kFlags | O_CREAT | O_EXCL, kMode));
    *created = fd.valid();
    struct stat parent;
    if (*created && ::fstat(entry.dir, &parent) == 0) MakePrivate(fd.get(), parent, kMode);
    if (!fd.valid()) {
      if (errno != EEXIST) return ErrnoStatus();
      fd = UniqueFd(::openat(entry.dir, entry.name, kFlags));
      if (!fd.valid() && errno == ENOENT) continue;  // removed meanwhile: create it
      if (!fd.valid()) return ErrnoStatus();
    }
    // All or nothing: a failed append is cut back off, so that retrying it
    // later does not write its first part twice.
    struct stat before;
    if (fstat(fd.get(), &before) != 0) return ErrnoStatus();
    Status s = WriteAll(fd.get(), data);
    if (s.ok() && fd.Close() != 0) s = ErrnoStatus();
    if (!s.ok()) {
      if (*created) {
        (void)::unlinkat(entry.dir, entry.name, 0);
      } else if (fd.valid() && ::ftruncate(fd.get(), before.st_size) != 0) {
        // The write's error is the one reported; the cut is a best effort.
      }
    }
    return s;
  }
}

}  // namespace

Status PosixPlatform::ReadFile(const std::string& path, std::string* data) {
  return ReadWholeFile(path, data);
}

Status PosixPlatform::WriteFile(const std::string& path, const std::string& data) {
  return confinement_.At(EntryPath(path), [&](AtPath at) { return ReplaceFile(at, data); });
}

Status PosixPlatform::AppendPrivateFile(const HeldDir& held, const std::string& relative,
                                        const std::string& data, bool* created) {
  const int held_fd = static_cast<const PosixHeldDir&>(held).fd();
  const std::string entry = EntryPath(relative);
  const size_t cut = entry.rfind('/');
  const std::string leaf(LeafName(entry));
  if (leaf.empty() || leaf == "." || leaf == "..") return Status::FromErrno(EINVAL);
  UniqueFd parent;
  if (cut != std::string::npos) {
    const Status s = confinement_.OpenBeneath(held_fd, std::string_view(entry).substr(0, cut),
                                              O_PATH | O_DIRECTORY | O_CLOEXEC, &parent);
    if (!s.ok()) return s;
  }
  return AppendToFile(AtPath{parent.valid() ? parent.get() : held_fd, leaf.c_str()}, data, created);
}

}  // namespace qv
