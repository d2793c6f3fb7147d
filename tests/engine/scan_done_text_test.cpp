#include "engine/scan_done_text.h"

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

TEST(ScanDoneTextTest, RoundsTheTotalSecondsAndCarriesIntoTheMinutes) {
  const FileTime start = 133500000000000000;
  constexpr FileTime kMilli = kFileTimeTicksPerSecond / 1000;
  // Duration in milliseconds; the text.
  const std::pair<int64_t, const char*> kCases[] = {
      {179600, "Scan done in 180 seconds"},
      {179500, "Scan done in 180 seconds"},  // a half goes to the even second
      {178500, "Scan done in 178 seconds"},
      {0, "Scan done in 0 seconds"},
      {180000, "Scan done in 3 minutes"},
      {185500, "Scan done in 3 minutes and 6 seconds"},
      {270000, "Scan done in 4 minutes and 30 seconds"},
      // 3.999 minutes: not "3 minutes and 60 seconds".
      {239940, "Scan done in 4 minutes"},
      {239700, "Scan done in 4 minutes"},
      {3 * 3600000 + 1000, "Scan done in 180 minutes and 1 seconds"},
  };
  for (const auto& [millis, text] : kCases) {
    EXPECT_EQ(ScanDoneText(start, start + millis * kMilli), text) << millis;
  }
}

}  // namespace
}  // namespace qv::testing
