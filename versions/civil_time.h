#ifndef QUORVANE_VERSIONS_CIVIL_TIME_H_
#define QUORVANE_VERSIONS_CIVIL_TIME_H_

#include <cstdint>
#include <string>

#include "filesys/local_time.h"

namespace qv {

class Platform;

// The moment whose local time (as the platform tells it) is local, to the
// second. Of two moments with that name (the clock went back) the earlier;
// a name the clock skipped is taken as the moment after the skip.
FileTime FromLocalTime(Platform& platform, const TLocalTime& local);

// "2026-12-08T02:40:01.1234567Z": UTC, with the 100-ns digits.
std::string Rfc3339Text(FileTime time);

}  // namespace qv

#endif  // QUORVANE_VERSIONS_CIVIL_TIME_H_
