#ifndef QUORVANE_ENGINE_SCAN_DONE_TEXT_H_
#define QUORVANE_ENGINE_SCAN_DONE_TEXT_H_

#include <string>

#include "filesys/local_time.h"

namespace qv {

// "Scan done in " + the duration: whole seconds below three minutes, else
// minutes and, unless none are left, seconds; rounded to the nearest second,
// halves to the even one. Both front ends log it at the end of a scan.
std::string ScanDoneText(FileTime start, FileTime end);

}  // namespace qv

#endif  // QUORVANE_ENGINE_SCAN_DONE_TEXT_H_
