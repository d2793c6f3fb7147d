#include "filesys/file_times.h"

#include <cstdio>

namespace qv {

bool TimesEqual(FileTime a, FileTime b, int64_t resolution) {
  if (a == 0 || b == 0) return true;
  // Unsigned, so that times far apart cannot overflow.
  const uint64_t difference = a > b ? static_cast<uint64_t>(a) - static_cast<uint64_t>(b)
                                    : static_cast<uint64_t>(b) - static_cast<uint64_t>(a);
  return resolution > 0 && static_cast<uint64_t>(resolution) > difference;
}

std::string TimeText(Platform& platform, FileTime time) {
  const TLocalTime local = platform.ToLocalTime(time);
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d   %02d:%02d:%02d", local.year, local.month,
                local.day, local.hour, local.minute, local.second);
  return text;
}

}  // namespace qv
