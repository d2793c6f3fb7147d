// Times a restore is asked for, in a zone with daylight saving time.
#include "versions/restore_time.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "filesys/platform.h"
#include "versions/civil_time.h"

namespace qv::testing {
namespace {

// Central European time: summer time from the last Sunday of March, 02:00,
// to the last Sunday of October, 03:00.
class RestoreTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TZ");
    if (old != nullptr) old_tz_ = old;
    had_tz_ = old != nullptr;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
  }
  void TearDown() override {
    if (had_tz_) {
      setenv("TZ", old_tz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string old_tz_;
  bool had_tz_ = false;
};

TEST_F(RestoreTimeTest, LocalTimesAndSlotNames) {
  Platform& platform = DefaultPlatform();
  const std::vector<TTimeSlot> slots = {{"2026/12/01/18 00 05", "", 5000},
                                        {"2026/12/01/18 00 05 (2)", "", 7000}};
  const struct {
    std::string text;
    std::string utc;  // of the moment; "" for a refusal
    std::string error;
  } kCases[] = {
      {"2026-12-01 18:00", "2026-12-01T17:00:00.0000000Z", ""},
      {"2026-12-01 18:00:05", "2026-12-01T17:00:05.0000000Z", ""},
      {"2026-07-01 12:30:59", "2026-07-01T10:30:59.0000000Z", ""},
      {"2026-03-29 02:30", "",
       "2026-03-29 02:30 does not exist: the clock skipped it; it reads as 2026-03-29 01:30:00 "
       "or as 2026-03-29 03:30:00"},
      {"2026-10-25 02:30", "",
       "2026-10-25 02:30 is ambiguous: the clock passed it twice, at 2026-10-25 00:30:00 UTC "
       "and at 2026-10-25 01:30:00 UTC"},
      {"2026-02-29 10:00", "", "a time is"},
      {"2026-12-01 24:00", "", "a time is"},
      {"2026-12-01 18:00:5", "", "a time is"},
      {"2026-12-01T18:00", "", "a time is"},
      {"2026-12-01 18:00 ", "", "a time is"},
      {"2026/12/01/18 00 06", "", "the archive has no time slot 2026/12/01/18 00 06"},
  };
  for (const auto& c : kCases) {
    FileTime time = 0;
    std::string error;
    const bool read = ParseRestoreTime(platform, c.text, slots, &time, &error);
    EXPECT_EQ(read, c.error.empty()) << c.text << ": " << error;
    if (read) {
      EXPECT_EQ(Rfc3339Text(time), c.utc) << c.text;
    } else {
      EXPECT_TRUE(error.starts_with(c.error)) << c.text << ": " << error;
    }
  }
  // A slot's name means just before its scan; its " (n)" tells it apart.
  for (const TTimeSlot& slot : slots) {
    FileTime time = 0;
    std::string error;
    ASSERT_TRUE(ParseRestoreTime(platform, slot.name, slots, &time, &error)) << error;
    EXPECT_EQ(time, slot.start - 1);
  }
}

}  // namespace
}  // namespace qv::testing
