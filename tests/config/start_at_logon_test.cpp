#include "config/start_at_logon.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "filesys/platform.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

// The autostart entry lives below $XDG_CONFIG_HOME, which the real platform
// reads from the process environment.
class StartAtLogonTest : public ::testing::Test {
 protected:
  StartAtLogonTest() {
    const char* old = getenv("XDG_CONFIG_HOME");
    if (old != nullptr) saved_ = old;
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
  }
  ~StartAtLogonTest() override {
    if (saved_.empty()) {
      unsetenv("XDG_CONFIG_HOME");
    } else {
      setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
    }
  }
  std::string Entry() const { return dir_ / "autostart/quorvane.desktop"; }

  ScopedTempDir dir_;
  std::string saved_;
};

TEST_F(StartAtLogonTest, RegistersAndRemovesTheProgram) {
  Platform& platform = DefaultPlatform();
  EXPECT_FALSE(StartsAtLogon(platform));
  // Nothing happens while wanted and current agree.
  EXPECT_TRUE(SetStartAtLogon(platform, true, true, "/usr/bin/quorvane"));
  EXPECT_FALSE(PathExists(Entry()));
  EXPECT_TRUE(SetStartAtLogon(platform, true, false, "/usr/bin/quorvane"));
  EXPECT_TRUE(StartsAtLogon(platform));
  EXPECT_NE(ReadFile(Entry()).find("\nExec=/usr/bin/quorvane /START\n"), std::string::npos);
  EXPECT_TRUE(SetStartAtLogon(platform, false, true, "/usr/bin/quorvane"));
  EXPECT_FALSE(StartsAtLogon(platform));
}

TEST_F(StartAtLogonTest, QuotesAProgramPathWithBlanksAndReservedCharacters) {
  Platform& platform = DefaultPlatform();
  EXPECT_TRUE(SetStartAtLogon(platform, true, false, "/opt/my apps/q$\\uorvane 100%"));
  EXPECT_NE(ReadFile(Entry()).find("\nExec=\"/opt/my apps/q\\\\$\\\\\\\\uorvane 100%%\" /START\n"),
            std::string::npos)
      << ReadFile(Entry());
}

}  // namespace
}  // namespace qv::testing
