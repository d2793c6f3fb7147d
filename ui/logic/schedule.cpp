#include "ui/logic/schedule.h"

#include <algorithm>
#include <cstdio>

namespace qv {

namespace {

constexpr int64_t kTicksPerMs = kFileTimeTicksPerSecond / 1000;
constexpr int64_t kTicksPerMinute = kFileTimeTicksPerSecond * 60;
constexpr int64_t kMaxTimerMs = kMaxTimerMinutes * kMinuteMs;

// ticks / kTicksPerMinute for ticks >= 0, halves to the even neighbour.
int64_t RoundedMinutes(int64_t ticks) {
  int64_t minutes = ticks / kTicksPerMinute;
  int64_t twice_rest = 2 * (ticks % kTicksPerMinute);
  if (twice_rest > kTicksPerMinute || (twice_rest == kTicksPerMinute && minutes % 2 != 0)) {
    ++minutes;
  }
  return minutes;
}

}  // namespace

TTimerPlan PlanTimer(int minutes, FileTime now) {
  TTimerPlan plan;
  if (minutes < 0) return plan;
  if (minutes == 0) {
    plan.action = TTimerPlan::TAction::kScanNow;
    return plan;
  }
  int64_t armed = std::min(minutes, kMaxTimerMinutes);
  plan.action = TTimerPlan::TAction::kArm;
  plan.interval_ms = armed * kMinuteMs;
  plan.due = now + armed * kTicksPerMinute;
  return plan;
}

int MinutesFromLastScan(int wait_minutes, int minimum, FileTime last_scan, FileTime now) {
  // A last scan in the future would push the next one beyond the timer's
  // range; it counts as having just ended.
  int64_t elapsed = RoundedMinutes(std::max<int64_t>(now - last_scan, 0));
  int64_t wait = std::max<int64_t>(wait_minutes - elapsed, minimum);
  return static_cast<int>(std::clamp<int64_t>(wait, -1, kMaxTimerMinutes));
}

int MinutesAfterScan(int wait_minutes, bool logged_errors, FileTime scan_start, FileTime scan_end) {
  bool failed_at_once = logged_errors && scan_end - scan_start < kTicksPerMinute;
  return wait_minutes == 0 && failed_at_once ? 1 : wait_minutes;
}

TDueCheck CheckDue(FileTime due, FileTime now) {
  TDueCheck check;
  if (now >= due) {
    check.fire = true;
    return check;
  }
  int64_t ms = (due - now + kTicksPerMs - 1) / kTicksPerMs;
  check.remaining_ms = std::min(ms, kMaxTimerMs);
  return check;
}

std::string TimeOfDayText(const TLocalTime& time) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", time.hour % 100, time.minute % 100);
  return text;
}

std::string NextScanLogLine(const std::string& time_of_day) {
  return "Next scan on " + time_of_day;
}

}  // namespace qv
