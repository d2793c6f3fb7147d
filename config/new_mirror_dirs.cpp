#include "config/new_mirror_dirs.h"

#include <algorithm>
#include <vector>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "filesys/path_ops.h"
#include "filesys/path_places.h"
#include "filesys/platform.h"

namespace qv {

TDirState DirStateOf(Platform& platform, const std::string& dir, std::string* reason) {
  FileInfo info;
  const Status status = platform.Stat(dir, &info);
  if (!status.ok()) {
    if (status.cond() != Cond::kNotFound) *reason = status.message();
    return TDirState::kMissing;
  }
  if (info.IsDirectory()) return TDirState::kDirectory;
  PathPlace place;
  if (info.IsReparsePoint() && platform.LocatePath(dir, &place).ok() && place.inode == 0) {
    return TDirState::kMissing;
  }
  return TDirState::kNotDirectory;
}

bool HoldsFilesWithoutArchive(Platform& platform, const std::string& dir) {
  FileInfo archive;
  if (platform.Stat(IncludeTrailingSeparator(dir) + kArchiveDirName, &archive).ok()) return false;
  std::vector<DirEntry> entries;
  if (!platform.ListDir(dir, &entries).ok()) return false;
  // lost+found belongs to the file system, not to the user.
  return std::any_of(entries.begin(), entries.end(), [](const DirEntry& entry) {
    return (entry.info.attributes & kAttrHidden) == 0 && entry.name != "lost+found";
  });
}

bool CheckNewMirror(Platform& platform, const TMappings& mappings, const std::string& source,
                    const std::string& destination, std::string* error) {
  if (SourceInsideDestination(platform, source, destination)) {
    *error = "the source " + source + " lies inside its destination " + destination;
    return false;
  }
  for (int i = 0; i < mappings.Count(); ++i) {
    if (NormaliseDirectory(platform, mappings.Source(i), false) == source) {
      *error = "the source " + source + " is already mirrored to " + mappings.Destination(i) +
               "; one source cannot be mirrored to several destinations (mirror " +
               mappings.Destination(i) + " instead)";
      return false;
    }
  }
  for (int i = 0; i < mappings.Count(); ++i) {
    if (Overlap(mappings.Destination(i), destination)) {
      *error = "the destination " + destination + " overlaps with the destination " +
               mappings.Destination(i) + " of another mirror";
      return false;
    }
  }
  return true;
}

bool CheckMirrorKeyFree(TQVIniFile& ini, const TMapping& mapping, std::string* error) {
  if (!ini.KeyExists(mapping.key())) return true;
  *error = "the settings key of destination " + mapping.destination() + " is taken by " +
           ini.ReadString(mapping.key(), "");
  return false;
}

}  // namespace qv
