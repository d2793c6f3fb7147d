#ifndef QUORVANE_ENGINE_DIR_TO_PROCESS_H_
#define QUORVANE_ENGINE_DIR_TO_PROCESS_H_

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "filesys/found_file.h"

namespace qv {

// Where a walk counts the entries it lists: the entries the previous scan
// listed as well (done), and those it did not (outside), so that the front
// end's gauge of done over the weighted total stays honest.
struct TItemCounters {
  std::atomic<int32_t>* done;
  std::atomic<int32_t>* outside;
};

// Attribute word of a destination directory that does not exist (or could
// not be read back after it was created).
inline constexpr int64_t kNoDestDir = -1;

// A user's exclusion of a directory that the walk entered all the same, on
// the way to a more specific included source inside it: it still covers
// everything below the directory that no include outranks.
struct TCoveringExclusion {
  std::string pattern;
  int rank = 0;  // of the filter for that directory (TFilter::Rank)
  bool log = true;
};

// One directory pair of a mirror's walk.
struct TDirToProcess {
  std::string source;  // ends with "/"
  std::string dest;    // ends with "/"
  TFoundFile entry;    // the source directory as listed; the source root as it was found
  int64_t dest_attributes = kNoDestDir;
  // The destination directory as found before the walk changed anything in
  // it; all zero when the walk created it.
  FileInfo dest_found;
  // The walk may change what the destination holds: its mode and times are
  // settled when the walk leaves it.
  bool opened = false;
  // Its owner's write permission was given back for the walk.
  bool write_given = false;
  int64_t min_age = 0;  // 100-ns units; 0 = none
  // Set while the source is read when an included-source filter above this
  // directory included its entries; the filters inside it are used up when
  // the pair is done.
  bool include_anchor = false;
  // The exclusion that covers this directory, if any.
  std::optional<TCoveringExclusion> excluded_by;
  // Subdirectories entered while the source was read although an exclusion
  // covers them, by name.
  std::vector<std::pair<std::string, TCoveringExclusion>> covered;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_DIR_TO_PROCESS_H_
