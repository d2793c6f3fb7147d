#include "ui/logic/tray_tip.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(TrayTipTest, TitlesAreCutAtSixtyThreeCharactersNeverInsideOne) {
  const std::string a63(63, 'a');
  const std::string e62 = std::string(62, 'e');
  const struct {
    std::string title;
    std::string expected;
  } cases[] = {
      {"Quorvane", "Quorvane"},
      {"", ""},
      {a63, a63},
      {a63 + "b", a63},
      {a63 + "bcdefgh", a63},
      // Two-byte characters count once each.
      {e62 + "\xC3\xA9\xC3\xA9", e62 + "\xC3\xA9"},
  };
  for (const auto& c : cases) EXPECT_EQ(TrayTip(c.title), c.expected) << c.title;
  // A title of 63 three-byte characters is kept whole; one more is cut.
  std::string wide;
  for (int i = 0; i < 64; ++i) wide += "\xE2\x82\xAC";
  EXPECT_EQ(TrayTip(wide), wide.substr(0, 63 * 3));
}

TEST(TrayTipTest, TheScanTipSaysThePercentDoneAndWhetherTheScanIsSuspended) {
  const struct {
    int64_t done, total;
    bool suspended;
    const char* expected;
  } cases[] = {
      {0, 1, false, "Quorvane 0% done"},
      {50, 100, false, "Quorvane 50% done"},
      {999, 1000, false, "Quorvane 99% done"},
      {1000, 1000, true, "Quorvane 100% done, suspended"},
      // Items done can pass the weighted total.
      {150, 100, false, "Quorvane 100% done"},
      {5, 0, false, "Quorvane 0% done"},
      {3, 7, true, "Quorvane 42% done, suspended"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ScanProgressTip(c.done, c.total, c.suspended), c.expected)
        << c.done << '/' << c.total;
}

}  // namespace
}  // namespace qv
