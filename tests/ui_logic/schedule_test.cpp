// When the next scan comes: the timer's plan, scheduling from the last scan
// (with the /START cases), the pause after a failed quick scan, and the
// wall-clock check of a due time.
#include "ui/logic/schedule.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

constexpr int64_t kSecond = kFileTimeTicksPerSecond;
constexpr int64_t kMinute = 60 * kSecond;
constexpr FileTime kNow = (1700000000 + kUnixEpochSeconds) * kSecond;
constexpr int64_t kTimerLimitMs = 2147460000;  // 35791 minutes

TEST(ScheduleTest, StartTimerPlans) {
  using TAction = TTimerPlan::TAction;
  const struct {
    int minutes;
    TAction action;
    int64_t interval_ms;
    FileTime due;
  } kCases[] = {
      {-1, TAction::kStop, 0, 0},
      {-5, TAction::kStop, 0, 0},
      {0, TAction::kScanNow, 0, 0},
      {1, TAction::kArm, 60000, kNow + kMinute},
      {90, TAction::kArm, 5400000, kNow + 90 * kMinute},
      {35791, TAction::kArm, kTimerLimitMs, kNow + 35791 * kMinute},
      {40000, TAction::kArm, kTimerLimitMs, kNow + 35791 * kMinute},
  };
  for (const auto& c : kCases) {
    TTimerPlan plan = PlanTimer(c.minutes, kNow);
    EXPECT_EQ(plan.action, c.action) << c.minutes;
    EXPECT_EQ(plan.interval_ms, c.interval_ms) << c.minutes;
    EXPECT_EQ(plan.due, c.due) << c.minutes;
  }
}

TEST(ScheduleTest, MinutesFromTheLastScan) {
  constexpr FileTime kUnknown = 0;
  const struct {
    const char* name;
    int wait;
    int minimum;
    FileTime last_scan;
    int minutes;
  } kCases[] = {
      {"/START, last scan 30 minutes ago", 60, 5, kNow - 30 * kMinute, 30},
      {"/START, last scan 58 minutes ago", 60, 5, kNow - 58 * kMinute, 5},
      {"/START, last scan 3 hours ago", 60, 5, kNow - 180 * kMinute, 5},
      {"/START without repeating, no minimum", -1, 0, kNow - 30 * kMinute, 0},
      {"/START without repeating, minimum 10", -1, 10, kNow - 30 * kMinute, 10},
      {"no last scan", 60, 5, kUnknown, 5},
      {"no last scan, no minimum", 60, 0, kUnknown, 0},
      {"minimum above the wait", 10, 20, kNow, 20},
      {"29.5 minutes round to 30", 60, 0, kNow - 29 * kMinute - 30 * kSecond, 30},
      {"30.5 minutes round to 30", 60, 0, kNow - 30 * kMinute - 30 * kSecond, 30},
      {"31.5 minutes round to 32", 60, 0, kNow - 31 * kMinute - 30 * kSecond, 28},
      {"30.6 minutes round to 31", 60, 0, kNow - 30 * kMinute - 36 * kSecond, 29},
      {"last scan a year ahead", 60, 5, kNow + 365 * 1440 * kMinute, 60},
      {"last scan ahead, longest wait", 35791, 0, kNow + 10 * kMinute, 35791},
      {"longest wait, just scanned", 35791, 0, kNow - 1, 35791},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(MinutesFromLastScan(c.wait, c.minimum, c.last_scan, kNow), c.minutes) << c.name;
  }
}

TEST(ScheduleTest, AQuickScanWithErrorsPausesAMinuteInsteadOfRescanningAtOnce) {
  const struct {
    int wait;
    bool errors;
    int64_t took;
    int minutes;
  } kCases[] = {
      {0, true, 30 * kSecond, 1},  {0, true, kMinute - 1, 1},  {0, true, kMinute, 0},
      {0, false, 30 * kSecond, 0}, {5, true, 30 * kSecond, 5}, {-1, true, 30 * kSecond, -1},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(MinutesAfterScan(c.wait, c.errors, kNow, kNow + c.took), c.minutes)
        << c.wait << " " << c.errors << " " << c.took;
  }
}

TEST(ScheduleTest, TheWallClockDecidesWhenADueScanFires) {
  const struct {
    const char* name;
    FileTime now;
    bool fire;
    int64_t remaining_ms;
  } kCases[] = {
      {"90 seconds early", kNow - 90 * kSecond, false, 90000},
      {"a tick early counts a whole millisecond", kNow - 1, false, 1},
      {"at the due time", kNow, true, 0},
      {"after hours of sleep", kNow + 300 * kMinute, true, 0},
      {"clock set back by months", kNow - 100LL * 1440 * kMinute, false, kTimerLimitMs},
  };
  for (const auto& c : kCases) {
    TDueCheck check = CheckDue(kNow, c.now);
    EXPECT_EQ(check.fire, c.fire) << c.name;
    EXPECT_EQ(check.remaining_ms, c.remaining_ms) << c.name;
  }
}

TEST(ScheduleTest, NextScanShowsTheTimeOfDayOnly) {
  const struct {
    TLocalTime time;
    const char* line;
  } kCases[] = {
      {{2024, 5, 6, 9, 5, 59, 1}, "Next scan on 09:05"},
      {{2030, 12, 31, 23, 59, 0, 2}, "Next scan on 23:59"},
      {{2024, 1, 1, 0, 0, 0, 1}, "Next scan on 00:00"},
  };
  for (const auto& c : kCases) EXPECT_EQ(NextScanLogLine(TimeOfDayText(c.time)), c.line);
}

}  // namespace
}  // namespace qv::testing
