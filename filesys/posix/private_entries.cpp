// The program's own entries in a destination: archive folders and log files.
#include "filesys/posix/private_entries.h"

#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

constexpr mode_t kPrivateDirMode = 0700;

}  // namespace

void MakePrivate(int fd, const struct stat& parent, mode_t mode) {
  struct stat made;
  // Best effort: where the owner cannot change, the mode below still keeps
  // everyone else out.
  if (::fstat(fd, &made) == 0 && (made.st_uid != parent.st_uid || made.st_gid != parent.st_gid) &&
      ::fchown(fd, parent.st_uid, parent.st_gid) != 0) {
  }
  // After the owner: a change of owner may clear bits.
  (void)::fchmod(fd, mode);
}

Status PosixPlatform::CreatePrivateDir(const std::string& path) {
  return confinement_.At(EntryPath(path), [](AtPath at) {
    if (::mkdirat(at.dir, at.name, kPrivateDirMode) != 0) return ErrnoStatus();
    // Another process may swap the new name at once: it is opened without
    // following a link, and what it holds then is left alone.
    UniqueFd made(::openat(at.dir, at.name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat parent;
    if (made.valid() && ::fstatat(made.get(), "..", &parent, 0) == 0) {
      MakePrivate(made.get(), parent, kPrivateDirMode);
    }
    return Status::Ok();
  });
}

Status PosixPlatform::HoldDir(const std::string& dir, std::unique_ptr<HeldDir>* held) {
  UniqueFd fd;
  const Status s = confinement_.Hold(dir, &fd);
  if (s.ok()) *held = std::make_unique<PosixHeldDir>(dir, std::move(fd));
  return s;
}

}  // namespace qv
