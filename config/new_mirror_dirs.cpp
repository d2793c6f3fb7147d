#include "config/new_mirror_dirs.h"

#include <algorithm>
#include <vector>

#include "config/config_keys.h"
#include "filesys/path_ops.h"
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

}  // namespace qv
