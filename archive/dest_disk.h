#ifndef QUORVANE_ARCHIVE_DEST_DISK_H_
#define QUORVANE_ARCHIVE_DEST_DISK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "archive/dest_lock.h"
#include "filesys/status.h"

namespace qv {

class Platform;
class TArchive;
class TDestDisks;
class TLogger;

// One destination drive during a scan: the free bytes it has for the
// mirrors after the largest reservation of the mappings on it, and the
// archives on it, which give up their oldest days, drive-wide, when space
// runs short.
//
// Threads: the scan thread only.
class TDestDisk {
 public:
  // root is the mount point with a trailing "/". owner receives the news
  // that space was short.
  TDestDisk(Platform& platform, TDestDisks& owner, std::string root, int64_t wanted_free_bytes);
  TDestDisk(const TDestDisk&) = delete;
  TDestDisk& operator=(const TDestDisk&) = delete;

  // Archives register on creation and leave on destruction (TArchive does
  // both); the order of registration breaks ties between equal days.
  void AddArchive(TArchive* archive);
  void RemoveArchive(const TArchive* archive);
  // The larger reservation wins.
  void KeepWanted(int64_t wanted_free_bytes);

  // Asks the system; with report, logs the drive's free bytes. On failure
  // the free and total bytes are -1.
  bool RefreshFreeBytes(bool report, TLogger& logger);
  // Refreshes, and makes space when fewer than threshold bytes are free.
  bool EnsureFree(uint16_t* flags, bool report, TLogger& logger, int64_t needed, int64_t threshold);
  // Removes archive days of this drive, oldest first across all its
  // archives, until threshold + kShrinkMargin (or needed, when larger) bytes
  // are free. False when fewer than needed bytes could be freed (logged once
  // per scan), the user declined a removal, or the scan is being stopped.
  bool MakeSpace(uint16_t* flags, TLogger& logger, int64_t needed, int64_t threshold);
  // The answer to a write that failed with full (Cond::kDiskFull) while
  // needing about needed bytes. A quota is the share of the user who writes,
  // whatever the drive has free; and when more than needed bytes are still
  // free, the file system is out of file entries (inodes). Removing archive
  // days is not the answer to either: each is reported (once per scan) and
  // the answer is false. Otherwise MakeSpace with needed as both amounts.
  bool MakeSpaceAfterDiskFull(const Status& full, uint16_t* flags, TLogger& logger,
                              int64_t needed);
  // After a scan in which space was short: whether enough is free now to
  // run the scan again.
  bool CheckRestart(TLogger& logger);
  void ReportOutOfSpace(TLogger& logger) const;

  const std::string& root() const { return root_; }
  // Bytes available for the mirrors; -1 after a failed query.
  int64_t free_bytes() const { return free_bytes_; }
  int64_t total_bytes() const { return total_bytes_; }
  int64_t wanted_free_bytes() const { return wanted_free_bytes_; }

 private:
  struct Entry {
    TArchive* archive = nullptr;
    std::string oldest_day;  // "" when the archive has no day left
  };

  Entry* OldestEntry();
  bool FindOldestDays(TDayClaims* claims, TLogger& logger);
  bool ReportShortage(TLogger& logger, int64_t needed);
  void ReportQuota(TLogger& logger);
  // Whether removing every removable day of the drive could leave needed
  // bytes free, as the archives' counters tell.
  bool RemovalCanMakeRoom(int64_t needed) const;
  // After a day counted with counted bytes was removed and freed_bytes came
  // free: when that is much less, the counters cannot be trusted to make
  // room, and no more days of this drive are removed in this scan.
  bool RemovalFellShort(int64_t counted, int64_t freed_bytes, TLogger& logger);

  Platform& platform_;
  TDestDisks& owner_;
  const std::string root_;
  int64_t wanted_free_bytes_;
  int64_t free_bytes_ = -1;
  int64_t raw_free_bytes_ = -1;  // before the reservation
  int64_t total_bytes_ = -1;
  bool out_of_space_reported_ = false;
  bool out_of_inodes_reported_ = false;
  bool quota_reported_ = false;
  int64_t needed_bytes_ = 0;
  std::vector<Entry> archives_;
  bool removal_stopped_ = false;
};

}  // namespace qv

#endif  // QUORVANE_ARCHIVE_DEST_DISK_H_
