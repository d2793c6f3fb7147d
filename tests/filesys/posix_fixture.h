#ifndef QUORVANE_TESTS_FILESYS_POSIX_FIXTURE_H_
#define QUORVANE_TESTS_FILESYS_POSIX_FIXTURE_H_

#include <functional>
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
  if (pid == 0) {
    const bool held =
        setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0 && check();
    _exit(held ? 0 : 1);
  }
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

inline mode_t ModeOf(const std::string& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_FILESYS_POSIX_FIXTURE_H_
