#include "versions/lifetime.h"

#include <algorithm>

namespace qv {

namespace {

// Sorts by left, latest first, the current item (left 0) before all.
bool LeftLater(const TLifeItem& a, const TLifeItem& b) {
  if (a.current() != b.current()) return a.current();
  return a.left > b.left;
}

bool SameItem(const TLifeItem& a, const TLifeItem& b) {
  return a.inode != 0 && a.inode == b.inode && a.device == b.device;
}

}  // namespace

bool OnlyCarries(const TLifeItem& item) {
  return item.is_directory && !item.current() && item.born_from >= item.slot_start;
}

std::vector<int> VersionOrder(const std::vector<TLifeItem>& items) {
  std::vector<int> order;
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    if (!OnlyCarries(items[i])) order.push_back(i);
  }
  // The current item first, so that it is the one kept of a shared inode.
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return LeftLater(items[a], items[b]); });
  std::vector<int> kept;
  for (int i : order) {
    const bool seen =
        std::any_of(kept.begin(), kept.end(), [&](int k) { return SameItem(items[k], items[i]); });
    if (!seen) kept.push_back(i);
  }
  return kept;
}

TVersionAt VersionAt(const std::vector<TLifeItem>& items, FileTime t, FileTime known_from) {
  if (t < known_from) return {TVersionState::kUnknown, -1, false};
  std::vector<int> order = VersionOrder(items);
  // Earliest to leave first; the current item last.
  std::reverse(order.begin(), order.end());
  for (int i : order) {
    const TLifeItem& item = items[i];
    if ((!item.current() && item.left <= t) || item.born_from > t) continue;
    return {TVersionState::kFound, i, item.born_by > t};
  }
  return {};
}

}  // namespace qv
