#ifndef QUORVANE_CONFIG_MINIMAL_AGES_H_
#define QUORVANE_CONFIG_MINIMAL_AGES_H_

#include <cstddef>
#include <string>
#include <vector>

namespace qv {

class TLogger;
class TQVIniFile;

// One minimal age of a mirror: changed files in directory are updated only
// once their destination copy is at least minutes old.
struct TMinimalAge {
  std::string directory;  // expanded, normalised, ends with "/"
  int minutes = 0;        // above 0
};

// The minimal ages of one mirror. The walk takes out the entry of each
// directory it enters; what is left afterwards was never used. Looking up a
// directory costs a binary search, so the walk can ask at every directory.
// Used by the mirror thread alone.
class TMinimalAges {
 public:
  // Appends an entry; entries keep the order in which they were added.
  void Add(std::string directory, int minutes);
  // Takes out the first entry (in the order added) for directory and gives
  // its minutes; false when there is none.
  bool Take(const std::string& directory, int* minutes);

  bool Empty() const { return sorted_.empty(); }
  int Count() const { return static_cast<int>(sorted_.size()); }
  void Clear() { sorted_.clear(); }
  // The entries left, in the order added.
  std::vector<TMinimalAge> Entries() const;
  // The same as directory + "=" + minutes.
  std::vector<std::string> Texts() const;

 private:
  struct Entry {
    TMinimalAge age;
    size_t order = 0;
  };

  std::vector<Entry> sorted_;  // by directory, then by order
  size_t next_order_ = 0;
};

// Loads the minimal ages whose directory lies strictly inside mirror_source
// (which ends with "/"), in configuration order, under the settings lock.
// Every decision is logged under the pending heading "Minimal ages:"; a
// directory that expands to nothing is an error of the scan. Answers false,
// with *ages empty and the store's failure logged once, when the settings
// could not be read: the mirror must not run then, or it would update files
// that should be held back.
bool LoadMinimalAges(TQVIniFile& ini, const std::string& mirror_source, TLogger& logger,
                     TMinimalAges* ages);

}  // namespace qv

#endif  // QUORVANE_CONFIG_MINIMAL_AGES_H_
