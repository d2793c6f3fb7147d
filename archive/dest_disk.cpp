#include "archive/dest_disk.h"

#include <algorithm>
#include <utility>

#include "archive/archive.h"
#include "archive/confirm_gate.h"
#include "archive/dest_disks.h"
#include "filesys/platform.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

TDestDisk::TDestDisk(Platform& platform, TDestDisks& owner, std::string root,
                     int64_t wanted_free_bytes)
    : platform_(platform),
      owner_(owner),
      root_(std::move(root)),
      wanted_free_bytes_(wanted_free_bytes) {}

void TDestDisk::AddArchive(TArchive* archive) {
  archives_.push_back(Entry{archive, std::string()});
}

void TDestDisk::RemoveArchive(const TArchive* archive) {
  std::erase_if(archives_, [archive](const Entry& entry) { return entry.archive == archive; });
}

void TDestDisk::KeepWanted(int64_t wanted_free_bytes) {
  wanted_free_bytes_ = std::max(wanted_free_bytes_, wanted_free_bytes);
}

bool TDestDisk::RefreshFreeBytes(bool report, TLogger& logger) {
  free_bytes_ = raw_free_bytes_ = total_bytes_ = -1;
  int64_t free_bytes = -1;
  int64_t total_bytes = -1;
  const Status status = platform_.FreeSpace(root_, &free_bytes, &total_bytes);
  if (!status.ok()) {
    logger.LogSysError(status.code(), "Could not retrieve free bytes for " + root_);
    return false;
  }
  free_bytes_ = raw_free_bytes_ = free_bytes;
  total_bytes_ = total_bytes;
  if (report) {
    logger.LogLine("Destination drive " + root_ + " has " + SizeText(free_bytes_, 1) + " of " +
                   SizeText(total_bytes_, 1) + " free");
  }
  if (wanted_free_bytes_ > 0) {
    free_bytes_ = std::max<int64_t>(free_bytes_ - wanted_free_bytes_, 0);
    if (report) {
      logger.Log(", leaving " + SizeText(free_bytes_, 1) + " free for this mirror", false);
    }
  }
  return true;
}

bool TDestDisk::EnsureFree(uint16_t* flags, bool report, TLogger& logger, int64_t needed,
                           int64_t threshold) {
  if (!RefreshFreeBytes(report, logger)) return false;
  return free_bytes_ >= threshold || MakeSpace(flags, logger, needed, threshold);
}

bool TDestDisk::MakeSpace(uint16_t* flags, TLogger& logger, int64_t needed, int64_t threshold) {
  TDayClaims claims;  // other scans keep out of these archives meanwhile
  if (!FindOldestDays(&claims, logger) || !RefreshFreeBytes(true, logger)) return false;
  const int64_t wanted = std::max(threshold + kShrinkMargin, needed);
  // Versions are given up only where that makes the room.
  if (removal_stopped_ || !RemovalCanMakeRoom(needed)) return ReportShortage(logger, needed);
  while (free_bytes_ < wanted) {
    Entry* oldest = OldestEntry();
    if (oldest == nullptr) return ReportShortage(logger, needed);
    const std::string day = oldest->oldest_day;
    uint16_t copy = *flags;
    bool skipped = false;
    const int64_t counted_before = oldest->archive->content().GetCompressedSize();
    const int64_t free_before = raw_free_bytes_;
    (void)oldest->archive->RemoveDay(day, &copy, &skipped, logger);
    if (logger.IsTerminated() || !RefreshFreeBytes(true, logger)) return false;
    if (skipped) {
      AdoptWiderAnswer(flags, copy);
      return false;
    }
    if (RemovalFellShort(counted_before - oldest->archive->content().GetCompressedSize(),
                         raw_free_bytes_ - free_before, logger)) {
      return ReportShortage(logger, needed);
    }
    if (!oldest->archive->FindOldestDay(day, &oldest->oldest_day, logger)) return false;
  }
  return true;
}

bool TDestDisk::MakeSpaceAfterDiskFull(const Status& full, uint16_t* flags, TLogger& logger,
                                       int64_t needed) {
  if (full.quota()) {
    ReportQuota(logger);
    return false;
  }
  if (!RefreshFreeBytes(false, logger)) return false;
  if (raw_free_bytes_ <= needed) return MakeSpace(flags, logger, needed, needed);
  if (!out_of_inodes_reported_) {
    out_of_inodes_reported_ = true;
    logger.LogError("Drive " + root_ + " is out of inodes (no free file entries) although " +
                    SizeText(raw_free_bytes_, 1) + " are free.");
  }
  return false;
}

void TDestDisk::ReportQuota(TLogger& logger) {
  if (quota_reported_) return;
  quota_reported_ = true;
  const uint32_t uid = platform_.UserId();
  std::string user = std::to_string(uid);
  std::string name;
  if (platform_.UserName(uid, &name).ok()) user = name + " (" + user + ")";
  logger.LogError("The disk quota of user " + user + " on drive " + root_ + " is used up.");
}

bool TDestDisk::CheckRestart(TLogger& logger) {
  if (!out_of_space_reported_) return false;
  if (RefreshFreeBytes(true, logger) && free_bytes_ >= needed_bytes_) {
    logger.LogLine("Found enough free space on " + root_ + " to restart the scanner");
    return true;
  }
  logger.LogError("Destination disk " + root_ + " is full.");
  logger.LogLine("Need " + ThousandsText(needed_bytes_) + " free bytes, found " +
                 ThousandsText(raw_free_bytes_) + " free bytes");
  if (wanted_free_bytes_ > 0) {
    logger.Log(" and the mirror specifies " + SizeText(wanted_free_bytes_, 2) + " to keep free",
               false);
  }
  return false;
}

void TDestDisk::ReportOutOfSpace(TLogger& logger) const {
  if (out_of_space_reported_) logger.LogLine("Drive " + root_ + " is out of free space.");
}

// Archives held by a mass change or by another scan give up no day.
bool TDestDisk::FindOldestDays(TDayClaims* claims, TLogger& logger) {
  for (Entry& entry : archives_) {
    entry.oldest_day.clear();
    if (!entry.archive->MayGiveUpDays(claims)) continue;
    if (!entry.archive->FindOldestDay(kNoDay, &entry.oldest_day, logger)) return false;
  }
  return true;
}

// The archive holding the oldest day of the drive; on equal days the one
// registered first.
TDestDisk::Entry* TDestDisk::OldestEntry() {
  Entry* oldest = nullptr;
  for (Entry& entry : archives_) {
    if (entry.oldest_day.empty()) continue;
    if (oldest == nullptr || entry.oldest_day < oldest->oldest_day) oldest = &entry;
  }
  return oldest;
}

// No day is left to remove: fine when at least needed bytes are free.
bool TDestDisk::ReportShortage(TLogger& logger, int64_t needed) {
  if (free_bytes_ >= needed) return true;
  owner_.SetSpaceWasShort();
  if (!out_of_space_reported_) {
    out_of_space_reported_ = true;
    needed_bytes_ = needed;
    logger.LogLine("Not enough space on " + root_ + ". Continuing scan to collect free space.");
  }
  return false;
}

}  // namespace qv
