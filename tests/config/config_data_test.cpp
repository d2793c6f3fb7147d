#include "config/config_data.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

using ConfigDataTest = StoreTest;

TEST_F(ConfigDataTest, NumbersKeepTheirRangesFromStoreAndSetters) {
  struct Case {
    const char* name;
    int stored;
    int expected;
    void (TConfigData::*set)(int);
    int (TConfigData::*get)() const;
  } const cases[] = {
      {"Wait", 35791, 35791, &TConfigData::SetWaitMinutes, &TConfigData::wait_minutes},
      {"Wait", 35792, -1, &TConfigData::SetWaitMinutes, &TConfigData::wait_minutes},
      {"Wait", -1, -1, &TConfigData::SetWaitMinutes, &TConfigData::wait_minutes},
      {"Wait", -2, -1, &TConfigData::SetWaitMinutes, &TConfigData::wait_minutes},
      {"Wait", 0, 0, &TConfigData::SetWaitMinutes, &TConfigData::wait_minutes},
      {"Priority", 6, 6, &TConfigData::SetPriority, &TConfigData::priority},
      {"Priority", 7, 0, &TConfigData::SetPriority, &TConfigData::priority},
      {"Priority", -1, 0, &TConfigData::SetPriority, &TConfigData::priority},
      {"MilliSecondsToSuspendAfterUserInput", -5, 0, &TConfigData::SetSuspendMillis,
       &TConfigData::suspend_millis},
      {"MilliSecondsToSuspendAfterUserInput", 2500, 2500, &TConfigData::SetSuspendMillis,
       &TConfigData::suspend_millis},
      {"MinMinutesToWait", 35791, 35791, &TConfigData::SetMinMinutesToWait,
       &TConfigData::min_minutes_to_wait},
      {"MinMinutesToWait", 35792, 0, &TConfigData::SetMinMinutesToWait,
       &TConfigData::min_minutes_to_wait},
      {"MinMinutesToWait", -1, 0, &TConfigData::SetMinMinutesToWait,
       &TConfigData::min_minutes_to_wait},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.stored));
    ASSERT_TRUE(ini().WriteInteger(kBaseKey, c.name, c.stored));
    TConfigData loaded;
    loaded.Load(ini());
    EXPECT_EQ((loaded.*c.get)(), c.expected);
    TConfigData set;
    (set.*c.set)(c.stored);
    EXPECT_EQ((set.*c.get)(), c.expected);
  }
}

TEST_F(ConfigDataTest, SaveAndLoadRoundTrip) {
  TConfigData data;
  data.SetWaitMinutes(60);
  data.SetSuspendMillis(3000);
  data.SetMinMinutesToWait(5);
  data.SetPriority(3);
  data.switches = {true, false, false, false, false, false, true, false, true, true};
  ASSERT_TRUE(data.Save(ini()));
  EXPECT_FALSE(ini().ReadBool(kFiltersKey, "AutoFilter", true));
  TConfigData loaded;
  loaded.Load(ini());
  EXPECT_EQ(loaded.switches, data.switches);
  EXPECT_EQ(loaded.wait_minutes(), 60);
  EXPECT_EQ(loaded.suspend_millis(), 3000);
  EXPECT_EQ(loaded.min_minutes_to_wait(), 5);
  EXPECT_EQ(loaded.priority(), 3);
}

TEST_F(ConfigDataTest, LogSettingsDescribesWhatDiffersFromTheUsual) {
  TConfigData usual;
  RecordingLogger log;
  usual.LogSettings(log);
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "The scanner will not suspend on user input",
                           "Thread priority System idle",
                           "Disabled update of files wich have their archive attribute set",
                       }));
  TConfigData all;
  all.SetSuspendMillis(2999);
  all.SetPriority(6);
  all.switches = {true, false, false, false, false, false, true, false, true, true};
  log.lines.clear();
  all.LogSettings(log);
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "Resuming scan in 2 seconds after user input when minimized",
                           "Thread priority Time critical",
                           "Closing when scan is done",
                           "Log creation of files is disabled",
                           "Log creation of directories is disabled",
                           "Log matching filters is disabled",
                           "Log modified files with minimal age not expired is disabled",
                           "Log update of creation time is disabled",
                           "Confirm updates of destination",
                           "Disabled automatic filters",
                           "Enabled scan of excluded directories",
                           "Enabled update of files wich have their archive attribute set",
                       }));
}

}  // namespace
}  // namespace qv::testing
