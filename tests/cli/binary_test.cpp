// The built tool as a script runs it: exit statuses and the default location.

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

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

}  // namespace
}  // namespace qv::testing
