#include "config/file_mappings.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

class FileMappingsTest : public StoreTest {
 protected:
  void Store(const std::string& name, const std::string& target, const std::string& source,
             int row) {
    const std::string key = std::string(kFileMappingsKey) + "\\" + name;
    ASSERT_TRUE(ini().WriteString(key, "", target));
    ASSERT_TRUE(ini().WriteString(key, "Source", source));
    if (row >= 0) {
      ASSERT_TRUE(ini().WriteInteger(key, "Row", row));
    }
  }
};

TEST_F(FileMappingsTest, TakesTheMappingsWhoseSourceLiesInsideTheMirror) {
  platform_.env["QVDATA"] = "/data";
  Store("00001", "/etc/app.conf", "/data/app.conf", 2);
  Store("00002", "%QVDATA%/b.target", "%QVDATA%/sub/b.src", 1);
  Store("00003", "/x/outside", "/other/file", 3);
  Store("00004", "/x/itself", "/data/", 4);
  Store("00005", "", "/data/no-target", 5);
  Store("00006", "/x/near", "/database/file", 6);
  RecordingLogger log;
  TFileMappingList list;
  EXPECT_TRUE(LoadFileMappings(ini(), "/data/", log, &list));
  EXPECT_EQ(list.sources, (std::vector<std::string>{"/data/sub/b.src", "/data/app.conf"}));
  EXPECT_EQ(list.targets, (std::vector<std::string>{"/data/b.target", "/etc/app.conf"}));
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "",
                           "FileMappings:",
                           "Update /data/b.target with /data/sub/b.src",
                           "Update /etc/app.conf with /data/app.conf",
                       }));
}

TEST_F(FileMappingsTest, NoHeadingIsLeftPendingWhenNothingMatches) {
  Store("00001", "/etc/app.conf", "/data/app.conf", 1);
  RecordingLogger log;
  TFileMappingList list;
  EXPECT_TRUE(LoadFileMappings(ini(), "/home/", log, &list));
  EXPECT_TRUE(list.sources.empty());
  log.FlushHeading();
  EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace qv::testing
