#include "config/settings_location.h"

#include <map>
#include <string>

#include <gtest/gtest.h>

#include "tests/config/config_test_util.h"

namespace qv::testing {
namespace {

TEST(SettingsLocationTest, FollowsTheEnvironment) {
  struct Case {
    std::map<std::string, std::string> env;
    const char* expected;
  } const cases[] = {
      {{{"QUORVANE_SETTINGS", "/tmp/s.db"}, {"XDG_CONFIG_HOME", "/c"}, {"HOME", "/h"}},
       "/tmp/s.db"},
      {{{"QUORVANE_SETTINGS", ""}, {"XDG_CONFIG_HOME", "/c"}, {"HOME", "/h"}},
       "/c/quorvane/settings.db"},
      {{{"XDG_CONFIG_HOME", "/c/"}}, "/c/quorvane/settings.db"},
      {{{"XDG_CONFIG_HOME", "relative"}, {"HOME", "/h"}}, "/h/.config/quorvane/settings.db"},
      {{{"HOME", "/h"}}, "/h/.config/quorvane/settings.db"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    ConfigTestPlatform platform;
    platform.env = c.env;
    EXPECT_EQ(DefaultSettingsPath(platform), c.expected);
  }
}

}  // namespace
}  // namespace qv::testing
