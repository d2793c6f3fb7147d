// The built tool as a script runs it: exit statuses, the default location,
// and an interrupt in the middle of a copy.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

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

  // Runs the tool with a clean environment plus env; standard output is
  // kept in out_.
  int Run(const std::string& env, const std::string& args) {
    const std::string command = "cd '" + dir_.path() + "' && env -i PATH=/usr/bin:/bin " + env +
                                " '" + cli_ + "' " + args + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    out_ = ReadFile(dir_ / "out.txt");
    err_ = ReadFile(dir_ / "err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Starts the tool with its output going to out.txt and err.txt.
  pid_t Start(const std::string& command, const std::string& settings) {
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(open((dir_ / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
      dup2(open((dir_ / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
      execl(cli_.c_str(), "quorvane-cli", command.c_str(), "--settings", settings.c_str(), nullptr);
      _exit(127);
    }
    return pid;
  }

  ScopedTempDir dir_;
  std::string cli_;
  std::string out_;
  std::string err_;
};

TEST_F(BinaryTest, ExitStatusesOfASetupScript) {
  const std::string settings = "--settings " + dir_.path() + "s.db";
  const std::string add = "mirror add " + dir_.path() + "src " + dir_.path() + "dst ";
  EXPECT_EQ(Run("", add + settings), 0) << err_;
  EXPECT_EQ(Run("", add + settings), 2);
  EXPECT_EQ(err_.rfind("quorvane-cli: ", 0), 0u) << err_;
  EXPECT_EQ(Run("", settings + " mirror list --destinations"), 0);
  EXPECT_EQ(out_, dir_.path() + "dst/\n");
  EXPECT_EQ(Run("", "show " + settings), 0) << err_;
  EXPECT_EQ(Run("", "--version"), 0);
  EXPECT_EQ(Run("", "set Wait x " + settings), 2);
}

TEST_F(BinaryTest, WithoutSettingsOptionTheUsersDefaultFileIsCreated) {
  const struct {
    std::string env;
    std::string file;
  } kCases[] = {
      {"HOME=" + dir_.path() + "home", "home/.config/quorvane/settings.db"},
      {"HOME=" + dir_.path() + "home XDG_CONFIG_HOME=" + dir_.path() + "xdg",
       "xdg/quorvane/settings.db"},
      {"QUORVANE_SETTINGS=" + dir_.path() + "own.db", "own.db"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Run(c.env, "set Confirm yes"), 0) << err_;
    EXPECT_TRUE(PathExists(dir_ / c.file)) << c.file;
    EXPECT_EQ(Run(c.env, "get Confirm"), 0);
    EXPECT_EQ(out_, "true\n") << c.file;
  }
  EXPECT_EQ(Run("", "mirror list"), 2);  // no HOME: nowhere to keep settings
}

TEST_F(BinaryTest, InterruptsStopTheCopyAndLeaveNoPartBehind) {
  const size_t size = size_t{100} << 20;
  MakeDirs(dir_ / "src");
  MakeDirs(dir_ / "dst");
  WriteFile(dir_ / "src/big.bin", std::string(size, 'q'));
  const std::string settings = " --settings " + dir_.path() + "s.db";
  ASSERT_EQ(Run("", "mirror add " + dir_.path() + "src " + dir_.path() + "dst" + settings), 0);
  // An idle scan thread could wait long on a busy machine.
  ASSERT_EQ(Run("", "set Priority 3" + settings), 0);
  const pid_t pid = Start("scan", dir_ / "s.db");
  ASSERT_GT(pid, 0);
  int status = 0;
  while (!HoldsTempFile(dir_ / "dst")) {
    if (waitpid(pid, &status, WNOHANG) == pid) GTEST_SKIP() << "the copy ended before it was seen";
    std::this_thread::sleep_for(std::chrono::microseconds(200));
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
