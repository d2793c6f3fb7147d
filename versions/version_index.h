#ifndef QUORVANE_VERSIONS_VERSION_INDEX_H_
#define QUORVANE_VERSIONS_VERSION_INDEX_H_

#include <string>
#include <vector>

#include "filesys/platform.h"
#include "versions/lifetime.h"
#include "versions/time_slots.h"

namespace qv {

// One item found at a path, and where it lies.
struct TVersion {
  TLifeItem life;
  std::string path;  // full path, a folder without trailing "/"
  std::string slot;  // name of its time slot; "" for the destination's item
  FileTime modified = 0;
  int64_t size = 0;
  bool is_link = false;
};

// Every item of one path of a mirror, carrying folders too.
struct TPathHistory {
  std::string relative;  // below the destination, no leading "/"; "" for its root
  std::vector<TVersion> items;
  std::vector<int> versions;  // VersionOrder of the items: newest first
  FileTime known_from = 0;    // before it the archive cannot tell
  // Items that exist but could not be read, one line each: the versions
  // above may lack them.
  std::vector<std::string> errors;

  std::vector<TLifeItem> Lives() const;
};

// The versions a mirror's destination and archive hold of its paths. It only
// reads. The caller holds the destination's lock shared; where it could not
// (a scan runs), an item the scan moves meanwhile is looked for again.
//
// Threads: one thread at a time.
class TVersionIndex {
 public:
  // dest_dir: the mirror's destination, ending with "/".
  TVersionIndex(Platform& platform, std::string dest_dir);

  // Reads the archive's time slots.
  Status Load();
  TPathHistory Gather(const std::string& relative);
  // The names that any folder among the items held, sorted, without
  // unfinished copies and, at the destination's root, the program's own
  // entries. A folder that could not be listed is a line in *errors.
  std::vector<std::string> ChildNames(const TPathHistory& folder, std::vector<std::string>* errors);

  const std::vector<TTimeSlot>& slots() const { return slots_; }
  const std::string& dest_dir() const { return dest_dir_; }

 private:
  void GatherOnce(const std::string& relative, TPathHistory* history);
  // Whether path holds an item, read into *info; a failure other than a
  // missing item goes into history's errors.
  bool ReadItem(const std::string& path, FileInfo* info, TPathHistory* history);
  bool ReadCurrent(const std::string& relative, TVersion* version, TPathHistory* history);
  bool ReadArchived(const TTimeSlot& slot, const std::string& relative, TVersion* version,
                    TPathHistory* history);
  // The change time of the item that the archive moved to hold relative: the
  // item itself or the outermost folder on its way that does not only carry.
  FileTime LeftTime(const TTimeSlot& slot, const std::string& relative, TPathHistory* history);

  Platform& platform_;
  const std::string dest_dir_;
  const std::string archive_dir_;
  std::vector<TTimeSlot> slots_;
  FileTime first_scan_ = 0;
};

}  // namespace qv

#endif  // QUORVANE_VERSIONS_VERSION_INDEX_H_
