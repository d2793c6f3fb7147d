#ifndef QUORVANE_VERSIONS_CIVIL_TIME_H_
#define QUORVANE_VERSIONS_CIVIL_TIME_H_

#include <cstdint>
#include <string>
#include <vector>

#include "filesys/local_time.h"

namespace qv {

class Platform;

// The moment whose local time (as the platform tells it) is local, to the
// second. Of two moments with that name (the clock went back) the earlier;
// a name the clock skipped is taken as the moment after the skip.
FileTime FromLocalTime(Platform& platform, const TLocalTime& local);

// The moments whose local time is local, earliest first: one, or two where
// the clock went back over it (*exists true). For a name the clock skipped
// (*exists false): its readings by the offsets before and after the skip.
std::vector<FileTime> LocalTimeMeanings(Platform& platform, const TLocalTime& local, bool* exists);

// Whether the date and time of day of t exist in the calendar.
bool IsCivilDate(const TLocalTime& t);

// "2026-12-01 18:00:05" in local time.
std::string LocalTimeText(Platform& platform, FileTime time);

// "2026-12-08T02:40:01.1234567Z": UTC, with the 100-ns digits.
std::string Rfc3339Text(FileTime time);

}  // namespace qv

#endif  // QUORVANE_VERSIONS_CIVIL_TIME_H_
