#include "config/filter_store.h"

#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/config_keys.h"
#include "config/settings_db.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

constexpr char kFailedToSave[] = "Failed to save the filter to the registry. ";

std::string Key(const std::string& name) { return std::string(kFiltersKey) + "\\" + name; }

class FilterStoreTest : public StoreTest {
 protected:
  // Keeps each report and whether another thread could take the settings
  // lock meanwhile: a dialog shown under the lock would freeze the scan.
  TReportError Reporter() {
    return [this](const std::string& text) {
      reports_.push_back(text);
      lock_free_ = std::async(std::launch::async, [] {
                     const bool taken = SettingsMutex().try_lock();
                     if (taken) SettingsMutex().unlock();
                     return taken;
                   }).get();
    };
  }
  std::vector<std::string> reports_;
  bool lock_free_ = false;
};

TEST_F(FilterStoreTest, ANewFilterTakesTheNextFreeNumberWithAllItsValuesButNoRow) {
  for (const char* pattern : {"*.a", "*.b", "*.c"}) {
    ASSERT_TRUE(SaveNewFilter(ini(), pattern, true, 0, true, nullptr));
  }
  ASSERT_TRUE(ini().DeleteKey(Key("00001")));
  ASSERT_TRUE(SaveNewFilter(ini(), "/backup/x.tmp", false, 1, false, Reporter()));
  EXPECT_EQ(ini().ListSubkeys(kFiltersKey), (std::vector<std::string>{"00002", "00003", "00004"}));
  EXPECT_EQ(ini().ReadString(Key("00003"), ""), "*.c");
  const std::string key = Key("00004");
  EXPECT_EQ(ini().ReadString(key, ""), "/backup/x.tmp");
  EXPECT_FALSE(ini().ReadBool(key, "Enabled", true));
  EXPECT_EQ(ini().ReadInteger(key, "FilterType", -1), 1);
  EXPECT_FALSE(ini().ReadBool(key, "LogFilter", true));
  EXPECT_FALSE(ini().ValueExists(key, "Row"));
  EXPECT_TRUE(reports_.empty());
  RecordingLogger log;
  std::vector<TStoredFilter> stored;
  ASSERT_TRUE(ReadStoredFilters(ini(), log, &stored));
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored[2].text + " " + std::to_string(stored[2].type), "/backup/x.tmp 1");
}

TEST_F(FilterStoreTest, AFailedSaveIsReportedOutsideTheLockAndLeavesNothing) {
  ASSERT_TRUE(SaveNewFilter(ini(), "*.a", true, 0, true, nullptr));
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(db_path_.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  Reopen(50);
  EXPECT_FALSE(SaveNewFilter(ini(), "*.b", true, 0, true, Reporter()));
  sqlite3_close(holder);
  EXPECT_EQ(reports_, std::vector<std::string>{std::string(kFailedToSave) +
                                               "Cannot write the settings store " + db_path_ +
                                               ": database is locked"});
  EXPECT_TRUE(lock_free_);
  EXPECT_EQ(ini().ListSubkeys(kFiltersKey), std::vector<std::string>{"00001"});

  ini_.reset();
  WriteFile(db_path_, "garbage, not a settings store");
  Reopen(50);
  EXPECT_FALSE(SaveNewFilter(ini(), "*.b", true, 0, true, Reporter()));
  EXPECT_EQ(reports_.back(), kFailedToSave + ini().FailureText());
  RecordingLogger log;
  std::vector<TStoredFilter> stored(1);
  EXPECT_FALSE(ReadStoredFilters(ini(), log, &stored));
  EXPECT_TRUE(stored.empty());
  EXPECT_EQ(ReadFile(db_path_), "garbage, not a settings store");
}

}  // namespace
}  // namespace qv::testing
