// The built tool as a script or a terminal runs it: exit statuses, the
// default location, and the interrupt key.

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/platform.h"
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
  // status. Its output goes to output, when given.
  int Run(const std::string& env, const std::string& args,
          const std::string& output = "/dev/null") {
    const std::string command = "cd '" + dir_.path() + "' && env -i PATH=/usr/bin:/bin " + env +
                                " '" + cli_ + "' " + args + " >'" + output + "' 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // A mirror of src/ onto dst/ in s.db, with Confirm on: a scan stops at
  // its first question.
  void AddMirrorThatAsks() {
    MakeTree(dir_.path(), {"src/a.txt=a", "dst/"});
    ASSERT_EQ(Run("", "mirror add " + dir_.path() + "src " + dir_.path() + "dst" + settings_), 0);
    ASSERT_EQ(Run("", "set Confirm yes" + settings_), 0);
  }

  // Starts the tool's scan on a new terminal (standard output to out.txt)
  // and reads the terminal up to the first question.
  void StartScanUntilQuestion() {
    terminal_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(terminal_ >= 0 && grantpt(terminal_) == 0 && unlockpt(terminal_) == 0);
    const std::string side = ptsname(terminal_);
    pid_ = fork();
    if (pid_ == 0) {
      const int tty = open(side.c_str(), O_RDWR);
      dup2(tty, STDIN_FILENO);
      dup2(tty, STDERR_FILENO);
      dup2(open((dir_ / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
      execl(cli_.c_str(), "quorvane-cli", "scan", "--settings", (dir_ / "s.db").c_str(), nullptr);
      _exit(127);
    }
    ASSERT_GT(pid_, 0);
    char c = 0;  // a read fails once the tool has ended
    while (shown_.find("[y]es") == std::string::npos && read(terminal_, &c, 1) == 1) shown_ += c;
  }

  // Reads the terminal to its end and waits for the scan; answers its exit
  // status.
  int EndScan() {
    char c = 0;
    while (read(terminal_, &c, 1) == 1) shown_ += c;
    int status = 0;
    EXPECT_EQ(waitpid(pid_, &status, 0), pid_);
    close(terminal_);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << shown_;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  ScopedTempDir dir_;
  std::string cli_;
  const std::string settings_ = " --settings " + dir_.path() + "s.db";
  int terminal_ = -1;
  pid_t pid_ = -1;
  std::string shown_;  // on the terminal
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
  AddMirrorThatAsks();
  StartScanUntilQuestion();
  ASSERT_EQ(kill(pid_, SIGINT), 0);
  ASSERT_EQ(kill(pid_, SIGINT), 0);
  EXPECT_EQ(EndScan(), 3);
  const std::string out = ReadFile(dir_ / "out.txt");
  EXPECT_TRUE(HasOnce(out, "\n\nTerminating scanner...\n\n")) << out;
  EXPECT_TRUE(HasOnce(out, "\nScanner terminated\n")) << out;
  EXPECT_FALSE(PathExists(dir_ / "dst/a.txt"));
}

// The first mirror is removed by another run of the tool while the scan
// waits for an answer about it; the scan goes on, and must not store its
// findings under the removed mirror's key: the next scan then runs the other
// mirror alone, without an error about a mirror with no destination.
TEST_F(BinaryTest, AMirrorRemovedDuringAScanStaysRemoved) {
  AddMirrorThatAsks();
  MakeTree(dir_.path(), {"src2/b.txt=b", "dst2/"});
  ASSERT_EQ(Run("", "mirror add " + dir_.path() + "src2 " + dir_.path() + "dst2" + settings_), 0);
  StartScanUntilQuestion();
  ASSERT_EQ(Run("", "mirror remove " + dir_.path() + "dst" + settings_), 0);
  ASSERT_EQ(write(terminal_, "ys\n", 3), 3);  // yes to the rest of the scan
  EXPECT_EQ(EndScan(), 0) << shown_;
  EXPECT_EQ(ReadFile(dir_ / "dst/a.txt"), "a");  // what the scan had begun
  TQVIniFile ini(DefaultPlatform(), dir_ / "s.db");
  EXPECT_FALSE(ini.KeyExists(std::string(kMappingsKey) + "\\" + MappingKeyName(dir_ / "dst/")));
  ASSERT_EQ(Run("", "set Confirm no" + settings_), 0);
  const std::string next = dir_ / "next.txt";
  EXPECT_EQ(Run("", "scan" + settings_, next), 0) << ReadFile(next);
  EXPECT_FALSE(ReadFile(next).find("should be a fully qualified") != std::string::npos);
}

// systemd names the stream it connected to the journal in JOURNAL_STREAM;
// only lines written to that very file carry the journal's priority: the
// errors of a scan, and the failure of one that cannot run.
TEST_F(BinaryTest, ErrorLinesCarryThePriorityOnlyOnTheJournalsStream) {
  MakeTree(dir_.path(), {"dst/", "other.txt="});
  ASSERT_EQ(Run("", "mirror add --allow-missing " + dir_.path() + "gone " + dir_.path() + "dst" +
                        settings_),
            0);
  const std::string output = dir_ / "err.txt";
  WriteFile(output, "");  // the redirection keeps its inode
  auto device_inode = [](const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
  };
  // JOURNAL_STREAM; the priority expected.
  const std::pair<std::string, std::string> kCases[] = {
      {device_inode(output), "<3>"},
      {device_inode(dir_ / "other.txt"), ""},
      {device_inode(output) + "0", ""},
      {":" + device_inode(output), ""},
  };
  for (const auto& [stream, priority] : kCases) {
    EXPECT_EQ(Run("JOURNAL_STREAM=" + stream, "scan --quiet" + settings_, output), 1);
    EXPECT_EQ(ReadFile(output), priority + "Error 2: Could not read file attributes of " +
                                    dir_.path() + "gone/. No such file or directory\n" + priority +
                                    "quorvane-cli: 1 error\n")
        << stream;
    EXPECT_EQ(Run("JOURNAL_STREAM=" + stream, "scan --quiet --settings none.db", output), 2);
    EXPECT_TRUE(ReadFile(output).starts_with(priority + "quorvane-cli: there is no settings file"))
        << stream << ReadFile(output);
  }
}

}  // namespace
}  // namespace qv::testing
