#ifndef QUORVANE_ENGINE_ROOT_GUARD_H_
#define QUORVANE_ENGINE_ROOT_GUARD_H_

#include <string>

#include "engine/source_mounts.h"
#include "filesys/platform.h"

namespace qv {

class TLogger;
class TMapping;
class TQVIniFile;

// Keeps a mirror to the roots it claims to have. Before anything changes:
// both roots are the directories on the file systems they were
// (volume_guard.h), the source does not lie inside its own destination, and
// the archive the store knows of is there (vanished_archive.h). During the
// walk, whatever a link or bind mount made of the paths: the destination
// root and the archive are never part of the source, the source root is
// never archived from the destination, and a directory that lost the volume
// mounted on it is skipped (source_mounts.h).
//
// Lifetime: one mirror run. Threads: the scan thread.
class TRootGuard {
 public:
  TRootGuard(Platform& platform, TQVIniFile& ini, const TMapping& mapping);

  // Runs while the platform is confined to the mirror's roots, before the
  // archive is opened. False, after one error per problem, cancels the mirror.
  bool Check(TLogger& logger);
  // Learns the archive directory once it exists.
  void NoteArchive(const std::string& archive_dir);

  // A listed source entry that is the destination root or the archive.
  bool IsDestinationOrArchive(const FileInfo& entry) const;
  // A listed destination entry that is the source root.
  bool IsSourceRoot(const FileInfo& entry) const;

  const FileInfo& source_root() const { return source_root_; }
  TSourceMounts& mounts() { return mounts_; }

 private:
  Platform& platform_;
  TQVIniFile& ini_;
  const TMapping& mapping_;
  FileInfo source_root_;
  FileInfo dest_root_;
  FileInfo archive_;  // device and inode 0 until the archive exists
  TSourceMounts mounts_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_ROOT_GUARD_H_
