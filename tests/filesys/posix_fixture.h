#ifndef QUORVANE_TESTS_FILESYS_POSIX_FIXTURE_H_
#define QUORVANE_TESTS_FILESYS_POSIX_FIXTURE_H_

#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "filesys/posix/posix_platform.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {

inline constexpr uid_t kNobody = 65534;

// The real platform on a fresh temporary directory.
class PosixTest : public ::testing::Test {
 protected:
  PosixPlatform platform_;
  ScopedTempDir temp_;
};

// Runs check in a forked child with the user and group of "nobody" and no
// supplementary groups; true when the check held. Only root can switch, so
// callers skip when not root.
inline bool RunAsNobody(const std::function<bool()>& check) {
  const pid_t pid = fork();
  if (pid == 0) _exit(setgroups(0, nullptr) || setgid(kNobody) || setuid(kNobody) || !check());
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// Bytes that differ from offset to offset, the same in every run.
inline std::string RandomBytes(int64_t size) {
  static std::mt19937 random(7);
  std::string bytes(static_cast<size_t>(size), '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

using Extents = std::vector<std::pair<int64_t, int64_t>>;  // offset, length

// Makes path a file of size bytes with random data in extents and holes
// everywhere else.
inline void MakeSparse(const std::string& path, int64_t size, const Extents& extents) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0) << path;
  for (const auto& [offset, length] : extents) {
    const std::string data = RandomBytes(length);
    ASSERT_EQ(pwrite(fd, data.data(), data.size(), offset), length);
  }
  ASSERT_EQ(ftruncate(fd, size), 0);
  close(fd);
}

inline mode_t ModeOf(const std::string& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// Sets (or, with nullopt, removes) an environment variable while the object
// lives and re-reads the time zone on both ends.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_); }

 private:
  void Set(const std::optional<std::string>& value) {
    value ? setenv(name_, value->c_str(), 1) : unsetenv(name_);
    tzset();
  }
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_FILESYS_POSIX_FIXTURE_H_
