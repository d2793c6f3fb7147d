#include "archive/dest_disks.h"

#include "archive/disk_info_query.h"

namespace qv {

TDestDisks::TDestDisks(Platform& platform) : platform_(platform) {}

TDestDisk& TDestDisks::GetDestDisk(const std::string& dest_dir, int64_t wanted_free_bytes,
                                   TLogger& logger) {
  const std::string root = DriveOf(platform_, dest_dir);
  for (const auto& disk : disks_) {
    if (disk->root() == root) {
      disk->KeepWanted(wanted_free_bytes);
      return *disk;
    }
  }
  disks_.push_back(std::make_unique<TDestDisk>(platform_, *this, root, wanted_free_bytes));
  (void)disks_.back()->RefreshFreeBytes(false, logger);
  return *disks_.back();
}

bool TDestDisks::AnyDiskCanRestart(TLogger& logger) {
  if (!space_was_short_) return false;
  for (const auto& disk : disks_) {
    if (disk->CheckRestart(logger)) return true;
  }
  return false;
}

}  // namespace qv
