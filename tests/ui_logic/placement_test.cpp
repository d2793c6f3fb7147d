// Restored window bounds stay on a screen; a maximised window keeps its
// normal bounds in the store.
#include "ui/logic/placement.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

const TRect kCurrent{10, 20, 720, 480};
const std::vector<TRect> kOneScreen = {{0, 0, 800, 800}};
// A wide primary screen on the left, a smaller one right of it, set lower.
const std::vector<TRect> kTwoScreens = {{0, 0, 1920, 1080}, {1920, 200, 1280, 1024}};

struct PlaceCase {
  const char* name;
  TStoredPlacement stored;
  std::vector<TRect> screens;
  std::size_t primary;
  TRect expected;
};

class PlacedBoundsTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlacedBoundsTest, KeepsTheWindowOnTheScreenItMostlyLiesOn) {
  const PlaceCase& c = GetParam();
  EXPECT_EQ(PlacedBounds(c.stored, kCurrent, c.screens, c.primary), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlacedBoundsTest,
    ::testing::Values(
        PlaceCase{
            "InsideStaysAsStored", {100, 50, 600, 400, 0}, kOneScreen, 0, {100, 50, 600, 400}},
        PlaceCase{
            "LeftOfMinus500BecomesZero", {-500, 50, 720, 400, 0}, kOneScreen, 0, {0, 50, 720, 400}},
        PlaceCase{"WidthOf20Becomes48", {100, 50, 20, 400, 0}, kOneScreen, 0, {100, 50, 48, 400}},
        PlaceCase{"HeightOf5Becomes48", {100, 50, 300, 5, 0}, kOneScreen, 0, {100, 50, 300, 48}},
        // Left and top keep 48 pixels on the screen, the size fits the rest.
        PlaceCase{"PastTheRightAndBottomEdges",
                  {790, 780, 600, 400, 0},
                  kOneScreen,
                  0,
                  {752, 752, 48, 48}},
        PlaceCase{
            "LargerThanTheScreenIsCut", {0, 0, 5000, 5000, 0}, kOneScreen, 0, {0, 0, 800, 800}},
        PlaceCase{"MissingValuesKeepTheCurrentOnes",
                  {std::nullopt, 60, std::nullopt, 300, 0},
                  kOneScreen,
                  0,
                  {10, 60, 720, 300}},
        // On the second screen the window keeps its place and size.
        PlaceCase{"OnTheSecondScreenStaysThere",
                  {2000, 300, 800, 600, 0},
                  kTwoScreens,
                  0,
                  {2000, 300, 800, 600}},
        PlaceCase{"ClampedToTheSecondScreensEdges",
                  {2000, 100, 1500, 600, 0},
                  kTwoScreens,
                  0,
                  {2000, 200, 1200, 600}},
        // Mostly on the second screen though it starts on the first.
        PlaceCase{"TheScreenWithTheLargerShareWins",
                  {1800, 300, 800, 600, 0},
                  kTwoScreens,
                  0,
                  {1920, 300, 800, 600}},
        // A screen that was unplugged: centred on the primary screen.
        PlaceCase{"OnNoScreenIsCentredOnThePrimary",
                  {4000, 300, 800, 600, 0},
                  kTwoScreens,
                  1,
                  {1920 + 240, 200 + 212, 800, 600}},
        PlaceCase{"OnNoScreenAndTooLargeFitsThePrimary",
                  {-9000, -9000, 3000, 20, 0},
                  kTwoScreens,
                  0,
                  {0, 516, 1920, 48}}),
    [](const auto& test) { return std::string(test.param.name); });

struct SaveCase {
  const char* name;
  int win_state;
  bool size_only;
  TPlacementToSave expected;
};

class PlacementToSaveTest : public ::testing::TestWithParam<SaveCase> {};

TEST_P(PlacementToSaveTest, StoresTheNormalBoundsUnlessMaximised) {
  const SaveCase& c = GetParam();
  const TPlacementToSave save = PlacementToSave({5, 6, 700, 500}, c.win_state, c.size_only);
  EXPECT_EQ(save.left, c.expected.left);
  EXPECT_EQ(save.top, c.expected.top);
  EXPECT_EQ(save.width, c.expected.width);
  EXPECT_EQ(save.height, c.expected.height);
  EXPECT_EQ(save.win_state, c.win_state);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlacementToSaveTest,
    ::testing::Values(
        SaveCase{"Normal", kWinStateNormal, false, {5, 6, 700, 500, kWinStateNormal}},
        SaveCase{"Minimised", kWinStateMinimised, false, {5, 6, 700, 500, kWinStateMinimised}},
        SaveCase{"MaximisedOnlyItsState",
                 kWinStateMaximised,
                 false,
                 {std::nullopt, std::nullopt, std::nullopt, std::nullopt, kWinStateMaximised}},
        SaveCase{"SizeOnlyWhereWindowsArePlacedForUs",
                 kWinStateNormal,
                 true,
                 {std::nullopt, std::nullopt, 700, 500, kWinStateNormal}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace qv
