#include "ui/logic/axis_ticks.h"

#include <cstdint>

#include <gtest/gtest.h>

#include "filesys/text_format.h"

namespace qv {
namespace {

TEST(AxisTicksTest, MarksZeroHalfAndTheScaleInTheGridsOwnNumbers) {
  const NumberFormat format;  // "," and "."
  SetNumberFormatForTesting(&format);
  constexpr int64_t kMiB = int64_t{1} << 20;
  const struct {
    TChartKind kind;
    int64_t scale;
    const char* half;
    const char* full;
  } cases[] = {
      {TChartKind::kFiles, 1, "", "1"},  // the scale of an empty grid
      {TChartKind::kFiles, 5, "", "5"},
      {TChartKind::kFiles, 2000, "1,000", "2,000"},
      {TChartKind::kFiles, 5'000'000, "2,500,000", "5,000,000"},
      {TChartKind::kSizes, 1, "", "1 bytes"},
      {TChartKind::kSizes, 5 * 1024, "2.5 KB", "5 KB"},
      {TChartKind::kSizes, 1024 * kMiB, "512 MB", "1 GB"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AxisTicks(c.kind, c.scale),
              (std::vector<TAxisTick>{{0, "0"}, {0.5, c.half}, {1, c.full}}))
        << c.scale;
  }
  SetNumberFormatForTesting(nullptr);
}

}  // namespace
}  // namespace qv
