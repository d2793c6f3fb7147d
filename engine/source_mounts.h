#ifndef QUORVANE_ENGINE_SOURCE_MOUNTS_H_
#define QUORVANE_ENGINE_SOURCE_MOUNTS_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "filesys/found_file.h"
#include "filesys/wide_string_list.h"

namespace qv {

class Platform;
class TLogger;
class TMapping;
class TQVIniFile;

// The directories inside a mirror's source that were mount points (their
// device differs from their parent's) when a scan last listed them. One that
// is listed on its parent's device again, or is missing, most likely lost
// the volume mounted there: mirroring it would send its whole destination
// into the archive. The walk skips it with an error instead and its
// destination stays, until the user accepts the change.
//
// Stored below the mapping's key in the subkey "SourceMounts", one value per
// directory: its path below the source, ending with "/".
//
// Lifetime: one mirror run. Threads: the scan thread.
class TSourceMounts {
 public:
  TSourceMounts(TQVIniFile& ini, const TMapping& mapping);

  void Load();
  // Looks at the listing of the source directory dir (whose destination is
  // dest_dir and whose own device is device): learns the mount points in it
  // and logs an error for each remembered one that is missing or is no
  // mount point now.
  void Observe(const std::string& dir, const std::string& dest_dir, uint64_t device,
               const TWideStringList<TFoundFile>& entries, TLogger& logger);
  // True for a source directory (ending with "/") that Observe reported.
  bool Skipped(const std::string& source_dir) const;
  // True for the destination directory (ending with "/") of one of those.
  bool KeepsDestination(const std::string& dest_dir) const;
  // Remembers the mount points found by this scan besides the ones
  // remembered before (only an accept forgets one).
  void Save();

 private:
  TQVIniFile& ini_;
  const TMapping& mapping_;
  std::set<std::string> remembered_;
  // The names remembered in each directory, by the directory's path below
  // the source.
  std::map<std::string, std::vector<std::string>> by_parent_;
  std::set<std::string> found_;
  std::set<std::string> skipped_;  // paths below the source
};

// Remembered mount points of mapping (full paths) that are no mount point
// now: missing, or on their parent's device.
std::vector<std::string> MountsGone(Platform& platform, TQVIniFile& ini, const TMapping& mapping);

// Forgets the remembered mount points of mapping that MountsGone lists.
bool ForgetMountsGone(Platform& platform, TQVIniFile& ini, const TMapping& mapping);

}  // namespace qv

#endif  // QUORVANE_ENGINE_SOURCE_MOUNTS_H_
