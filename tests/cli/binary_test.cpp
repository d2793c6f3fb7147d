// The built tool as a script or a terminal runs it: exit statuses, the
// default location, and the interrupt key.

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

bool HasOnce(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos && text.find(part) == text.rfind(part);
}

class BinaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* cli = std::getenv("QUORVANE_CLI");
    if (cli == nullptr || *cli == '\0') GTEST_SKIP() << "QUORVANE_CLI names no built tool";
    cli_ = cli;
  }

  // Runs the tool with a clean environment plus env; answers its exit
  // status.
  int Run(const std::string& env, const std::string& args) {
    const std::string command = "cd '" + dir_.path() + "' && env -i PATH=/usr/bin:/bin " + env +
                                " '" + cli_ + "' " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  ScopedTempDir dir_;
  std::string cli_;
};

TEST_F(BinaryTest, WithoutSettingsOptionTheUsersDefaultFileIsUsed) {
  EXPECT_EQ(Run("HOME=" + dir_.path() + "home", "set Confirm yes"), 0);
  EXPECT_TRUE(PathExists(dir_ / "home/.config/quorvane/settings.db"));
  EXPECT_EQ(Run("", "mirror list"), 2);  // no HOME: nowhere to keep settings
}

// The user presses the interrupt key twice while the scan waits for an
// answer on the terminal: the second comes while terminating and must not
// end the process.
TEST_F(BinaryTest, InterruptsEndTheScanOnce) {
  MakeTree(dir_.path(), {"src/a.txt=a", "dst/"});
  const std::string settings = " --settings " + dir_.path() + "s.db";
  ASSERT_EQ(Run("", "mirror add " + dir_.path() + "src " + dir_.path() + "dst" + settings), 0);
  ASSERT_EQ(Run("", "set Confirm yes" + settings), 0);
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
  const std::string side = ptsname(terminal);
  const pid_t pid = fork();
  if (pid == 0) {
    const int tty = open(side.c_str(), O_RDWR);
    dup2(tty, STDIN_FILENO);
    dup2(tty, STDERR_FILENO);
    dup2(open((dir_ / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    execl(cli_.c_str(), "quorvane-cli", "scan", "--settings", (dir_ / "s.db").c_str(), nullptr);
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  std::string shown;  // on the terminal; a read fails once the tool has ended
  char c = 0;
  while (shown.find("[y]es") == std::string::npos && read(terminal, &c, 1) == 1) shown += c;
  ASSERT_EQ(kill(pid, SIGINT), 0);
  ASSERT_EQ(kill(pid, SIGINT), 0);
  while (read(terminal, &c, 1) == 1) {
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(terminal);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << shown;
  EXPECT_EQ(WEXITSTATUS(status), 3);
  const std::string out = ReadFile(dir_ / "out.txt");
  EXPECT_TRUE(HasOnce(out, "\n\nTerminating scanner...\n\n")) << out;
  EXPECT_TRUE(HasOnce(out, "\nScanner terminated\n")) << out;
  EXPECT_FALSE(PathExists(dir_ / "dst/a.txt"));
}

}  // namespace
}  // namespace qv::testing
