#ifndef QUORVANE_FILESYS_POSIX_PRIVATE_ENTRIES_H_
#define QUORVANE_FILESYS_POSIX_PRIVATE_ENTRIES_H_

#include <string>
#include <utility>

#include <sys/stat.h>

#include "filesys/platform.h"
#include "filesys/posix/unique_fd.h"

namespace qv {

// A directory held open by the POSIX platform (an O_PATH descriptor).
class PosixHeldDir : public HeldDir {
 public:
  PosixHeldDir(std::string path, UniqueFd fd) : path_(std::move(path)), fd_(std::move(fd)) {}
  const std::string& path() const override { return path_; }
  int fd() const { return fd_.get(); }

 private:
  const std::string path_;
  const UniqueFd fd_;
};

// Gives the entry just made and open as fd (not O_PATH) the owner and group
// of parent, its directory, and exactly the permission bits mode. Refusals
// are no error: the entry was made with at most mode's bits (a umask only
// takes bits away), an unprivileged process cannot give entries away, and
// file systems without owners or modes (exFAT, vfat) refuse both changes.
void MakePrivate(int fd, const struct stat& parent, mode_t mode);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_PRIVATE_ENTRIES_H_
