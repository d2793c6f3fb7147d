#ifndef QUORVANE_CONFIG_DIR_WEIGHTS_H_
#define QUORVANE_CONFIG_DIR_WEIGHTS_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qv {

// One directory of the source that holds excluded paths below it.
struct TDirWeight {
  std::string directory;  // ends with "/"
  std::string parent;     // the directory that holds it, ends with "/"
  std::string name;       // its last component, without "/"
  int32_t weight = 0;     // how many later excluded paths lie below it
};

// The directories of a mirror's source that lead to excluded paths, heaviest
// first; equal weights keep the order in which they came. The walk visits the
// subdirectories named here before the others and takes each entry out as it
// reaches its parent. Used by the mirror thread alone.
class TDirWeights {
 public:
  // root is the mirror's source directory (ends with "/").
  explicit TDirWeights(std::string root) : root_(std::move(root)) {}

  // Records an excluded path (file or directory). Every entry whose directory
  // holds the path's directory gains one weight and moves ahead of lighter
  // ones; the path's directory and its ancestors below the root that are not
  // listed yet are appended, ancestors first, with weight 0. Ignored for a
  // relative path, a pattern, and a path whose directory is not inside the
  // root.
  void Add(const std::string& path);

  int Count() const { return static_cast<int>(list_.size()); }
  bool Empty() const { return list_.empty(); }
  const TDirWeight& operator[](int i) const { return list_[i]; }
  void Delete(int i) { list_.erase(list_.begin() + i); }
  const std::string& root() const { return root_; }

  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

 private:
  int IndexOf(const std::string& directory) const;

  std::string root_;
  std::vector<TDirWeight> list_;
};

}  // namespace qv

#endif  // QUORVANE_CONFIG_DIR_WEIGHTS_H_
