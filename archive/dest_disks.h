#ifndef QUORVANE_ARCHIVE_DEST_DISKS_H_
#define QUORVANE_ARCHIVE_DEST_DISKS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/dest_disk.h"

namespace qv {

class Platform;
class TLogger;

// The destination drives of one scan, one per mount point, in the order the
// mirrors first wrote to them. The scan creates it, passes it to every
// destination and frees it at its end, after every archive that registered
// with one of its disks.
//
// Threads: the scan thread only.
class TDestDisks {
 public:
  explicit TDestDisks(Platform& platform);
  TDestDisks(const TDestDisks&) = delete;
  TDestDisks& operator=(const TDestDisks&) = delete;

  // The disk holding dest_dir (its mount point; the directory itself when
  // the system cannot tell), keeping the larger of the reservations. A new
  // disk asks for its free bytes at once (silently, unless that fails), so
  // that a drive that cannot be read shows free bytes of -1.
  TDestDisk& GetDestDisk(const std::string& dest_dir, int64_t wanted_free_bytes, TLogger& logger);
  // After a scan: true when space was short and some disk now has enough.
  bool AnyDiskCanRestart(TLogger& logger);

  void SetSpaceWasShort() { space_was_short_ = true; }

 private:
  Platform& platform_;
  std::vector<std::unique_ptr<TDestDisk>> disks_;
  bool space_was_short_ = false;
};

}  // namespace qv

#endif  // QUORVANE_ARCHIVE_DEST_DISKS_H_
