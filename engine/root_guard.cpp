#include "engine/root_guard.h"

#include "config/mapping.h"
#include "engine/vanished_archive.h"
#include "engine/volume_guard.h"
#include "filesys/path_places.h"
#include "log/logger.h"

namespace qv {

namespace {

bool SameDirectory(const FileInfo& entry, const FileInfo& dir) {
  return entry.IsDirectory() && !entry.IsReparsePoint() && dir.inode != 0 &&
         entry.device == dir.device && entry.inode == dir.inode;
}

}  // namespace

TRootGuard::TRootGuard(Platform& platform, TQVIniFile& ini, const TMapping& mapping)
    : platform_(platform), ini_(ini), mapping_(mapping), mounts_(ini, mapping) {}

bool TRootGuard::Check(TLogger& logger) {
  // Before the roots are identified: such a source is never stored as one.
  if (SourceInsideDestination(platform_, mapping_.source(), mapping_.destination())) {
    logger.LogError("Rejected mapping of " + mapping_.source() + " to " + mapping_.destination() +
                    " because its source lies inside its destination");
    return false;
  }
  if (!CheckRoots(platform_, ini_, mapping_, logger, &source_root_, &dest_root_)) return false;
  if (!CheckArchivePresent(platform_, ini_, mapping_, logger)) return false;
  mounts_.Load();
  return true;
}

void TRootGuard::NoteArchive(const std::string& archive_dir) {
  if (!platform_.Stat(archive_dir, &archive_).ok()) archive_ = FileInfo();
}

bool TRootGuard::IsDestinationOrArchive(const FileInfo& entry) const {
  return SameDirectory(entry, dest_root_) || SameDirectory(entry, archive_);
}

bool TRootGuard::IsSourceRoot(const FileInfo& entry) const {
  return SameDirectory(entry, source_root_);
}

}  // namespace qv
