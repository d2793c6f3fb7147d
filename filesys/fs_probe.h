#ifndef QUORVANE_FILESYS_FS_PROBE_H_
#define QUORVANE_FILESYS_FS_PROBE_H_

#include <cstdint>
#include <string>

#include "filesys/platform.h"

namespace qv {

// What a file system does with what it is given, learned by writing a file
// rather than from its name: the same type name may keep whole seconds only
// (ext4 with 128-byte inodes, a FUSE file system) or names without case.
struct FileSystemProbe {
  // The step in which it keeps write times, in 100-ns units; 0 = not learned.
  int64_t write_resolution = 0;
  // The latest write time it keeps (later ones are cut to it); 0 = none seen.
  FileTime latest = 0;
  // A name finds the entry whose name differs from it only in case.
  bool ignores_case = false;
  // It keeps the permission bits it is given (exFAT, vfat and most FUSE file
  // systems show the same for every file).
  bool keeps_modes = false;
  // It keeps the group (and so the owner) a privileged process gives a file;
  // never learned without that privilege.
  bool keeps_owners = false;
};

// Makes an empty temporary file in dir (ends with "/") through
// Platform::CreateTempFile, so that one left by a killed run is removed like
// any unfinished copy; sets its write time to chosen values and reads each
// back, looks the file up under its name in capitals, gives it other
// permission bits (and, where the process may, another group) and reads them
// back, and removes it. Fails
// only when the file cannot be made (a read-only file system answers
// Cond::kReadOnly); what a later step could not learn stays unknown.
Status ProbeByWriting(Platform& platform, const std::string& dir, FileSystemProbe* probe);

}  // namespace qv

#endif  // QUORVANE_FILESYS_FS_PROBE_H_
