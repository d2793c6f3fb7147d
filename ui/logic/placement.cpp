#include "ui/logic/placement.h"

#include <algorithm>
#include <cstdint>

namespace qv {

namespace {

// lo when v <= lo, else hi when v > hi, else v: lo wins when hi < lo.
int Clamp(int v, int lo, int hi) { return v <= lo ? lo : (v > hi ? hi : v); }

int64_t Overlap(const TRect& a, const TRect& b) {
  const int64_t w = std::min<int64_t>(int64_t{a.left} + a.width, int64_t{b.left} + b.width) -
                    std::max(a.left, b.left);
  const int64_t h = std::min<int64_t>(int64_t{a.top} + a.height, int64_t{b.top} + b.height) -
                    std::max(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

// The screen holding most of rect, or none.
std::optional<TRect> ScreenOf(const TRect& rect, const std::vector<TRect>& screens) {
  std::optional<TRect> best;
  int64_t best_area = 0;
  for (const TRect& screen : screens) {
    const int64_t area = Overlap(rect, screen);
    if (area > best_area) {
      best_area = area;
      best = screen;
    }
  }
  return best;
}

TRect Centred(TRect rect, const TRect& screen) {
  rect.width = Clamp(rect.width, kMinWindowSide, screen.width);
  rect.height = Clamp(rect.height, kMinWindowSide, screen.height);
  rect.left = screen.left + (screen.width - rect.width) / 2;
  rect.top = screen.top + (screen.height - rect.height) / 2;
  return rect;
}

}  // namespace

TRect PlacedBounds(const TStoredPlacement& stored, const TRect& current,
                   const std::vector<TRect>& screens, std::size_t primary) {
  TRect rect{stored.left.value_or(current.left), stored.top.value_or(current.top),
             stored.width.value_or(current.width), stored.height.value_or(current.height)};
  // A sliver too small to see still counts as being where it is.
  const TRect probe{rect.left, rect.top, std::max(rect.width, kMinWindowSide),
                    std::max(rect.height, kMinWindowSide)};
  const std::optional<TRect> screen = ScreenOf(probe, screens);
  if (!screen) return Centred(rect, screens.at(primary));
  const int right = screen->left + screen->width;
  const int bottom = screen->top + screen->height;
  rect.left = Clamp(rect.left, screen->left, right - kMinWindowSide);
  rect.width = Clamp(rect.width, kMinWindowSide, right - rect.left);
  rect.top = Clamp(rect.top, screen->top, bottom - kMinWindowSide);
  rect.height = Clamp(rect.height, kMinWindowSide, bottom - rect.top);
  return rect;
}

TPlacementToSave PlacementToSave(const TRect& normal_bounds, int win_state, bool size_only) {
  TPlacementToSave save;
  save.win_state = win_state;
  if (win_state == kWinStateMaximised) return save;
  if (!size_only) {
    save.left = normal_bounds.left;
    save.top = normal_bounds.top;
  }
  save.width = normal_bounds.width;
  save.height = normal_bounds.height;
  return save;
}

}  // namespace qv
