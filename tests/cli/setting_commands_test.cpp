#include <string>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/registry_values.h"
#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

using SettingCommandsTest = CliTest;

TEST_F(SettingCommandsTest, EverySettingIsWrittenUnderItsStoredNameAndReadBack) {
  const struct {
    const char* typed;
    const char* value;
    const char* key;
    const char* name;
    int32_t stored;
    const char* got;
  } kCases[] = {
      {"wait", "-1", kBaseKey, "Wait", -1, "-1"},
      {"Wait", "35791", kBaseKey, "Wait", 35791, "35791"},
      {"MILLISECONDSTOSUSPENDAFTERUSERINPUT", "2147483647", kBaseKey,
       "MilliSecondsToSuspendAfterUserInput", 2147483647, "2147483647"},
      {"Priority", "6", kBaseKey, "Priority", 6, "6"},
      {"MinMinutesToWait", "+35791", kBaseKey, "MinMinutesToWait", 35791, "35791"},
      {"CloseWhenDone", "yes", kBaseKey, "CloseWhenDone", 1, "true"},
      {"LogCreate", "no", kBaseKey, "LogCreate", 0, "false"},
      {"LogCreateDir", "0", kBaseKey, "LogCreateDir", 0, "false"},
      {"LogExcluded", "FALSE", kBaseKey, "LogExcluded", 0, "false"},
      {"LogMinAges", "n", kBaseKey, "LogMinAges", 0, "false"},
      {"LogUpdateCreationTime", "false", kBaseKey, "LogUpdateCreationTime", 0, "false"},
      {"Confirm", "true", kBaseKey, "Confirm", 1, "true"},
      {"autofilter", "0", kFiltersKey, "AutoFilter", 0, "false"},
      {"ScanExcludedDirs", "1", kBaseKey, "ScanExcludedDirs", 1, "true"},
      {"UseArchiveBit", "y", kBaseKey, "UseArchiveBit", 1, "true"},
  };
  for (const auto& c : kCases) {
    RunOk({"set", c.typed, c.value});
    EXPECT_EQ(Raw(Store(), c.key, c.name), DwordValue(c.stored)) << c.typed;
    EXPECT_EQ(RunOk({"get", c.typed}), std::string(c.got) + "\n") << c.typed;
  }
}

TEST_F(SettingCommandsTest, GetAnswersWhatAScanReadsFromOddStoredValues) {
  ASSERT_TRUE(Store().WriteString(kBaseKey, "Wait", "10"));    // wrong type
  ASSERT_TRUE(Store().WriteInteger(kBaseKey, "Priority", 7));  // out of range
  ASSERT_TRUE(Store().WriteInteger(kBaseKey, "MilliSecondsToSuspendAfterUserInput", -5));
  EXPECT_EQ(RunOk({"get", "Wait"}), "-1\n");
  EXPECT_EQ(RunOk({"get", "Priority"}), "0\n");
  EXPECT_EQ(RunOk({"get", "MilliSecondsToSuspendAfterUserInput"}), "0\n");
  EXPECT_EQ(RunOk({"get", "LogCreate"}), "true\n");  // missing: the default
}

}  // namespace
}  // namespace qv::testing
