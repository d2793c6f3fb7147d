#ifndef QUORVANE_FILESYS_POSIX_UNIQUE_FD_H_
#define QUORVANE_FILESYS_POSIX_UNIQUE_FD_H_

#include <utility>

#include <unistd.h>

namespace qv {

// Owns a file descriptor and closes it on destruction. Close errors are lost
// here; code that writes calls Close() and checks the answer.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  bool valid() const { return fd_ >= 0; }
  int get() const { return fd_; }
  // Closes now; answers close(2)'s result (0, or -1 with errno set).
  int Close() { return fd_ < 0 ? 0 : ::close(std::exchange(fd_, -1)); }

 private:
  void Reset() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  }

  int fd_ = -1;
};

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_UNIQUE_FD_H_
