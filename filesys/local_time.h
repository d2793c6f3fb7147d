#ifndef QUORVANE_FILESYS_LOCAL_TIME_H_
#define QUORVANE_FILESYS_LOCAL_TIME_H_

#include <cstdint>

namespace qv {

// A moment broken down in the user's local time zone.
struct TLocalTime {
  int year = 1601;
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;     // 0..23
  int minute = 0;
  int second = 0;
  int weekday = 0;  // 0 = Sunday
};

// 100-nanosecond intervals since 1601-01-01 00:00 UTC; 0 means "not known".
using FileTime = int64_t;

// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr int64_t kUnixEpochSeconds = 11644473600LL;
inline constexpr int64_t kFileTimeTicksPerSecond = 10000000LL;

}  // namespace qv

#endif  // QUORVANE_FILESYS_LOCAL_TIME_H_
