#include "config/minimal_ages.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

constexpr char kSource[] = "/data/";
constexpr int kAsText = -1000;  // MinAge stored as a string
constexpr int kDisabled = -2000;

class MinimalAgesTest : public StoreTest {
 protected:
  // Stores the ages with Row = their index, so rows order them as listed.
  void StoreAll(const std::vector<std::pair<std::string, int>>& ages) {
    ASSERT_TRUE(ini().DeleteKey(kMinimalAgesKey));
    for (size_t i = 0; i < ages.size(); ++i) {
      const std::string key = std::string(kMinimalAgesKey) + "\\" + std::to_string(9 - i);
      const int minutes = ages[i].second;
      ASSERT_TRUE(ini().WriteString(key, "", ages[i].first));
      ASSERT_TRUE(ini().WriteInteger(key, "Row", static_cast<int>(i)));
      ASSERT_TRUE(ini().WriteBool(key, "Enabled", minutes != kDisabled));
      if (minutes == kAsText) {
        ASSERT_TRUE(ini().WriteString(key, "MinAge", "10"));
      } else {
        ASSERT_TRUE(ini().WriteInteger(key, "MinAge", minutes == kDisabled ? 5 : minutes));
      }
    }
  }
};

TEST_F(MinimalAgesTest, EachEntryIsCheckedAndLogged) {
  platform_.env["QVDATA"] = "/data";
  const struct {
    std::vector<std::pair<std::string, int>> stored;
    std::vector<std::string> lines;  // after the heading
    std::vector<std::string> list;
  } cases[] = {
      {{{"/data/", 10}, {"/database/x/", 5}, {"%QVNONE%/src", 30}},
       {"Skipped minimal age /data/ not matching /data/",
        "Skipped minimal age /database/x/ not matching /data/",
        "Skipped minimal age %QVNONE%/src not matching /data/"},
       {}},
      {{{"%QVDATA%/src", 30}, {"/./data/a ", 7}},
       {"30 minutes for /data/src/", "7 minutes for /data/a/"},
       {"/data/src/=30", "/data/a/=7"}},
      {{{"/data/a/", kDisabled}, {"/data/b/", 0}, {"/data/c/", -3}, {"/data/d/", kAsText}},
       {"Skipped disabled minimal age /data/a/", "Skipped zero or negative minimal age /data/b/",
        "Skipped zero or negative minimal age /data/c/",
        "Skipped zero or negative minimal age /data/d/"},
       {}},
      {{{"  ", 5}},
       {"Error: minimal age    expanded to an empty string. Skipped this minimal age."},
       {}},
      {{{"/data/w/", 10}, {"/data/w/", 20}, {"/data/v/", 1}},
       {"10 minutes for /data/w/", "20 minutes for /data/w/", "1 minutes for /data/v/"},
       {"/data/w/=10", "/data/w/=20", "/data/v/=1"}},
  };
  for (const auto& c : cases) {
    StoreAll(c.stored);
    RecordingLogger log;
    TMinimalAges ages;
    ASSERT_TRUE(LoadMinimalAges(ini(), kSource, log, &ages));
    std::vector<std::string> expected = {"", "Minimal ages:"};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(log.lines, expected);
    EXPECT_EQ(ages.Texts(), c.list);
  }
}

TEST_F(MinimalAgesTest, TheWalkTakesEntriesOutFirstComeFirst) {
  TMinimalAges ages;
  for (const auto& [dir, minutes] :
       {std::pair{"/data/w/", 20}, {"/data/a/", 5}, {"/data/w/", 10}, {"/data/z/", 1}}) {
    ages.Add(dir, minutes);
  }
  int minutes = 0;
  EXPECT_FALSE(ages.Take("/data/", &minutes));
  EXPECT_FALSE(ages.Take("/data/w", &minutes));
  EXPECT_TRUE(ages.Take("/data/w/", &minutes));
  EXPECT_EQ(minutes, 20);
  EXPECT_TRUE(ages.Take("/data/z/", &minutes));
  EXPECT_EQ(ages.Texts(), (std::vector<std::string>{"/data/a/=5", "/data/w/=10"}));
  EXPECT_TRUE(ages.Take("/data/w/", &minutes));
  EXPECT_EQ(minutes, 10);
  EXPECT_FALSE(ages.Take("/data/w/", &minutes));
}

// A mirror that ran without its minimal ages would update files the user
// wanted held back; the load must say that it could not read them.
TEST_F(MinimalAgesTest, NothingStoredIsSilentAndADamagedStoreFailsTheLoad) {
  RecordingLogger log;
  TMinimalAges ages;
  ASSERT_TRUE(LoadMinimalAges(ini(), kSource, log, &ages));
  log.FlushHeading();
  EXPECT_TRUE(log.lines.empty());
  StoreAll({{std::string(5000, 'p'), 1}});
  ini_.reset();
  std::string bytes = ReadFile(db_path_);
  for (size_t i = 4096; i < bytes.size(); ++i) bytes[i] = static_cast<char>(0xA5);
  WriteFile(db_path_, bytes);  // damaged pages are found only by the load's reads
  Reopen(50);
  ages.Add("/data/old/", 1);
  EXPECT_FALSE(LoadMinimalAges(ini(), kSource, log, &ages));
  EXPECT_TRUE(ages.Empty());
  EXPECT_EQ(log.lines, std::vector<std::string>{"Error: " + ini().FailureText()});
}

}  // namespace
}  // namespace qv::testing
