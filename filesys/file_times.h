#ifndef QUORVANE_FILESYS_FILE_TIMES_H_
#define QUORVANE_FILESYS_FILE_TIMES_H_

#include <cstdint>
#include <string>

#include "filesys/local_time.h"
#include "filesys/platform.h"

namespace qv {

// Comparison and log text of file times. Setting them is Platform::SetTimes:
// it changes the entry itself (a link, not its target), needs no attribute
// change for a read-only entry (its owner may set its times) and leaves the
// creation time, which POSIX cannot set.

// True when either time is 0 (not known) or the two lie less than resolution
// (100-ns units) apart; resolution 1 asks for identical times.
bool TimesEqual(FileTime a, FileTime b, int64_t resolution);

// "yyyy/mm/dd   hh:mm:ss" in the user's local time.
std::string TimeText(Platform& platform, FileTime time);

}  // namespace qv

#endif  // QUORVANE_FILESYS_FILE_TIMES_H_
