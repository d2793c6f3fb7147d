#include "engine/scan_done_text.h"

#include <cmath>
#include <cstdint>

namespace qv {

std::string ScanDoneText(FileTime start, FileTime end) {
  const double minutes = static_cast<double>(end - start) / (60.0 * kFileTimeTicksPerSecond);
  // Rounded to the nearest whole number, halves to the even one.
  const int64_t seconds = static_cast<int64_t>(std::nearbyint(minutes * 60));
  if (minutes < 3) return "Scan done in " + std::to_string(seconds) + " seconds";
  // From the rounded total, so that 59.5 seconds carry into the minutes
  // instead of reading "and 60 seconds".
  std::string text = "Scan done in " + std::to_string(seconds / 60) + " minutes";
  if (seconds % 60 != 0) text += " and " + std::to_string(seconds % 60) + " seconds";
  return text;
}

}  // namespace qv
