// Comparing the contents of two files without holding either in memory.
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"
#include "filesys/posix/unique_fd.h"

namespace qv {

namespace {

constexpr size_t kBlock = 1 << 20;

// A regular file, opened without following a link or blocking on a FIFO.
Status OpenRegular(const std::string& path, UniqueFd* fd) {
  UniqueFd opened(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!opened.valid()) return ErrnoStatus();
  struct stat st;
  if (::fstat(opened.get(), &st) != 0) return ErrnoStatus();
  if (!S_ISREG(st.st_mode)) return Status::FromErrno(EINVAL);
  *fd = std::move(opened);
  return Status::Ok();
}

// Fills buffer as far as the file goes; *got is what it holds.
Status ReadBlock(int fd, char* buffer, size_t* got) {
  *got = 0;
  while (*got < kBlock) {
    const ssize_t n = ::read(fd, buffer + *got, kBlock - *got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoStatus();
    if (n == 0) break;
    *got += static_cast<size_t>(n);
  }
  return Status::Ok();
}

}  // namespace

Status PosixPlatform::SameContent(const std::string& a, const std::string& b, bool* same) {
  *same = false;
  UniqueFd fd_a;
  UniqueFd fd_b;
  Status s = OpenRegular(a, &fd_a);
  if (s.ok()) s = OpenRegular(b, &fd_b);
  if (!s.ok()) return s;
  std::vector<char> block_a(kBlock);
  std::vector<char> block_b(kBlock);
  for (;;) {
    size_t got_a = 0;
    size_t got_b = 0;
    s = ReadBlock(fd_a.get(), block_a.data(), &got_a);
    if (s.ok()) s = ReadBlock(fd_b.get(), block_b.data(), &got_b);
    if (!s.ok()) return s;
    if (got_a != got_b || std::memcmp(block_a.data(), block_b.data(), got_a) != 0) {
      return Status::Ok();
    }
    if (got_a < kBlock) break;
  }
  *same = true;
  return Status::Ok();
}

}  // namespace qv
