#ifndef QUORVANE_CLI_HEADLESS_SCAN_H_
#define QUORVANE_CLI_HEADLESS_SCAN_H_

#include <string>

#include "filesys/local_time.h"

namespace qv {

// "Scan done in " + the duration: whole seconds below three minutes, else
// minutes and, unless none are left, seconds; rounded to the nearest second,
// halves to the even one.
std::string ScanDoneText(FileTime start, FileTime end);

}  // namespace qv

#endif  // QUORVANE_CLI_HEADLESS_SCAN_H_
