#include <string>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/config_data.h"
#include "config/mappings.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

std::string FixturePath() {
  const std::string here = __FILE__;
  return here.substr(0, here.rfind('/') + 1) + "settings_v1.sql";
}

TEST(StoredFormatTest, ReadsAStoreOfTheFirstFormat) {
  ScopedTempDir dir;
  const std::string path = dir / "settings.db";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  const std::string sql = ReadFile(FixturePath());
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);

  ConfigTestPlatform platform;
  TQVIniFile ini(platform, path);
  RecordingLogger log;
  TMappings mappings(ini);
  ASSERT_TRUE(mappings.Load(log, nullptr, false, false));
  ASSERT_EQ(mappings.Count(), 1);
  EXPECT_EQ(mappings.Destination(0), "/mnt/backup/");
  EXPECT_EQ(mappings.Source(0), "/home/u/");
  const TMappingSettings& s = mappings.Mapping(0)->settings();
  EXPECT_EQ(s.row, 1);
  EXPECT_FALSE(s.copy_security_info);
  EXPECT_EQ(s.max_size_dest, 1 << 20);
  TConfigData data;
  EXPECT_TRUE(data.Load(ini));
  EXPECT_EQ(data.wait_minutes(), 60);
  EXPECT_EQ(data.priority(), 3);
  EXPECT_TRUE(data.switches.confirm);
  EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace qv::testing
