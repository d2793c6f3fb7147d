#include "config/dir_weights.h"

#include <algorithm>

#include "filesys/path_ops.h"

namespace qv {

void TDirWeights::Add(const std::string& path) {
  if (!HasRoot(path) || IsPattern(path)) return;
  const std::string directory = ParentDir(path);
  if (!IsInside(directory, root_)) return;
  bool heavier = false;
  for (TDirWeight& entry : list_) {
    if (directory.starts_with(entry.directory)) {
      ++entry.weight;
      heavier = true;
    }
  }
  // The list was in descending order before; a stable sort moves each entry
  // that gained past the lighter ones and behind those of equal weight.
  if (heavier) {
    std::stable_sort(list_.begin(), list_.end(),
                     [](const TDirWeight& a, const TDirWeight& b) { return a.weight > b.weight; });
  }
  const auto end = static_cast<std::ptrdiff_t>(list_.size());
  for (std::string dir = directory; IsInside(dir, root_) && IndexOf(dir) < 0;
       dir = ParentDir(dir)) {
    list_.insert(list_.begin() + end, TDirWeight{dir, ParentDir(dir), LastComponent(dir), 0});
  }
}

int TDirWeights::IndexOf(const std::string& directory) const {
  for (int i = 0; i < Count(); ++i) {
    if (list_[i].directory == directory) return i;
  }
  return -1;
}

}  // namespace qv
