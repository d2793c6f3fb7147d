#ifndef QUORVANE_UI_LOGIC_PLACEMENT_H_
#define QUORVANE_UI_LOGIC_PLACEMENT_H_

#include <cstddef>
#include <optional>
#include <vector>

namespace qv {

struct TRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TRect&) const = default;
};

// The values stored under Window; a missing one keeps the window's current.
struct TStoredPlacement {
  std::optional<int> left, top, width, height;
  int win_state = 0;  // 0 normal, 1 minimised, 2 maximised
};

inline constexpr int kWinStateNormal = 0;
inline constexpr int kWinStateMinimised = 1;
inline constexpr int kWinStateMaximised = 2;
// No window is restored smaller, nor with less than this much on its screen.
inline constexpr int kMinWindowSide = 48;

// The bounds to restore: the stored values over the current bounds, kept on
// the screen that overlaps them most (centred on screens[primary] when none
// does), then clamped to that screen: at least kMinWindowSide wide and high,
// its left and top edges inside it, and no larger than the room to its
// right and bottom edges. screens must not be empty.
TRect PlacedBounds(const TStoredPlacement& stored, const TRect& current,
                   const std::vector<TRect>& screens, std::size_t primary);

// What to store at a save: the normal bounds only while the window is not
// maximised (a maximised window keeps its earlier normal bounds), and of
// them the size only where the window system places windows itself.
struct TPlacementToSave {
  std::optional<int> left, top, width, height;
  int win_state = kWinStateNormal;
};
TPlacementToSave PlacementToSave(const TRect& normal_bounds, int win_state, bool size_only);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_PLACEMENT_H_
