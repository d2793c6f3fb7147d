#ifndef QUORVANE_UI_LOGIC_SCHEDULE_H_
#define QUORVANE_UI_LOGIC_SCHEDULE_H_

#include <cstdint>
#include <string>

#include "filesys/local_time.h"

namespace qv {

// The next-scan timer's largest interval: 35791 minutes is the largest count
// whose milliseconds fit a signed 32-bit timer interval.
inline constexpr int kMaxTimerMinutes = 35791;
inline constexpr int64_t kMinuteMs = 60000;
// How often the window compares the due time with the wall clock: the timer
// runs on the monotonic clock, which stops while the machine sleeps.
inline constexpr int64_t kDueCheckIntervalMs = kMinuteMs;

// What "start timer" with a number of minutes does.
struct TTimerPlan {
  enum class TAction { kStop, kScanNow, kArm };
  TAction action = TAction::kStop;
  int64_t interval_ms = 0;  // kArm: minutes * 60000, at most the timer's range
  FileTime due = 0;         // kArm: the wall-clock time of the next scan
};
// minutes -1 (or below): stop; 0: scan now; otherwise arm the timer.
TTimerPlan PlanTimer(int minutes, FileTime now);

// Minutes to wait when scheduling from the last scan: Wait less the whole
// minutes since last_scan (rounded half to even), at least minimum, at most
// the timer's range. A last scan in the future counts as now; an unknown one
// (0) as long ago.
int MinutesFromLastScan(int wait_minutes, int minimum, FileTime last_scan, FileTime now);

// The minutes for "start timer" once a scan has finished: Wait, except that
// with Wait = 0 a scan that logged errors and took under a minute is followed
// by a one-minute pause instead of an immediate rescan that would fail again.
int MinutesAfterScan(int wait_minutes, bool logged_errors, FileTime scan_start, FileTime scan_end);

// The once-a-minute wall-clock check of an armed next-scan timer.
struct TDueCheck {
  bool fire = false;         // the due time has passed: start the scan now
  int64_t remaining_ms = 0;  // otherwise: time left, at most the timer's range
};
TDueCheck CheckDue(FileTime due, FileTime now);

// "14:05": the time of day of a next scan (no date, also days ahead).
std::string TimeOfDayText(const TLocalTime& time);
// "Next scan on " + time of day, the log line of a started timer.
std::string NextScanLogLine(const std::string& time_of_day);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_SCHEDULE_H_
