#ifndef QUORVANE_VERSIONS_RESTORE_TIME_H_
#define QUORVANE_VERSIONS_RESTORE_TIME_H_

#include <string>
#include <vector>

#include "filesys/local_time.h"
#include "versions/time_slots.h"

namespace qv {

class Platform;

// The moment a restore asks for: a local time "2026-12-01 18:00" or
// "2026-12-01 18:00:05", or the name of one of slots ("2026/12/01/18 00 05",
// with its " (n)"), which means just before that scan started. A local time
// the clock skipped or passed twice is refused with both its meanings in
// *error, as is text of neither form.
bool ParseRestoreTime(Platform& platform, const std::string& text,
                      const std::vector<TTimeSlot>& slots, FileTime* time, std::string* error);

}  // namespace qv

#endif  // QUORVANE_VERSIONS_RESTORE_TIME_H_
