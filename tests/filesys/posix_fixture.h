#ifndef QUORVANE_TESTS_FILESYS_POSIX_FIXTURE_H_
#define QUORVANE_TESTS_FILESYS_POSIX_FIXTURE_H_

#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

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
