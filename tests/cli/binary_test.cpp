// The built tool as a script runs it: exit statuses, the default location,
// and an interrupt in the middle of a copy.

#include <cstdlib>
#include <filesystem>
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

bool HoldsTempFile(const std::string& dir) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    if (entry.path().filename().string().starts_with(".qv-tmp-")) return true;
  }
  return false;
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

TEST_F(BinaryTest, InterruptsStopTheCopyAndLeaveNoPartBehind) {
  const size_t size = size_t{100} << 20;
  for (const char* dir : {"src", "dst"}) MakeDirs(dir_ / dir);
  WriteFile(dir_ / "src/big.bin", std::string(size, 'q'));
  const std::string settings = " --settings " + dir_.path() + "s.db";
  ASSERT_EQ(Run("", "mirror add " + dir_.path() + "src " + dir_.path() + "dst" + settings), 0);
  // An idle scan thread could wait long on a busy machine.
  ASSERT_EQ(Run("", "set Priority 3" + settings), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(open((dir_ / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    execl(cli_.c_str(), "quorvane-cli", "scan", "--settings", (dir_ / "s.db").c_str(), nullptr);
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  int status = 0;
  while (!HoldsTempFile(dir_ / "dst")) {
    if (waitpid(pid, &status, WNOHANG) == pid) GTEST_SKIP() << "the copy ended before it was seen";
    usleep(200);
  }
  // The second one comes while terminating, and must not end the process.
  ASSERT_EQ(kill(pid, SIGINT), 0);
  ASSERT_EQ(kill(pid, SIGINT), 0);
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_LE(WEXITSTATUS(status), 1);
  const std::string out = ReadFile(dir_ / "out.txt");
  EXPECT_TRUE(HasOnce(out, "\n\nTerminating scanner...\n\n")) << out;
  EXPECT_TRUE(HasOnce(out, "\nScanner terminated\n")) << out;
  EXPECT_FALSE(HoldsTempFile(dir_ / "dst"));
  std::error_code error;
  const auto copied = std::filesystem::file_size(dir_ / "dst/big.bin", error);
  EXPECT_TRUE(error || copied == size) << copied;
}

}  // namespace
}  // namespace qv::testing
