// What removing archive days can free on a drive, judged from the archives'
// counters before anything is removed, and checked after each removal.
#include <algorithm>

#include "archive/archive.h"
#include "archive/dest_disk.h"
#include "config/qv_ini_file.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

namespace {

// A removal may free less than its counters say (small files take whole
// blocks either way, a file may have another name outside the archive);
// falling short by more than this and by more than half is no such noise.
constexpr int64_t kShortfallNoise = 1048576;

}  // namespace

int64_t TArchive::RemovableBytes() const {
  TCounts content = content_.Get();
  TCounts logs = log_dir_.kept();
  if (!info_valid_) {
    if (!ini_.ReadCounters(archive_key_, &content)) return 0;
    if (!ini_.ReadCounters(log_dir_.settings_key(), &logs)) logs = TCounts();
  }
  const int64_t this_run = info_valid_ ? grown_.GetCompressedSize() : 0;
  return std::max<int64_t>(content.compressed_size - logs.compressed_size - this_run, 0);
}

bool TDestDisk::RemovalCanMakeRoom(int64_t needed) const {
  if (free_bytes_ >= needed) return true;
  int64_t removable = 0;
  for (const Entry& entry : archives_) {
    if (!entry.oldest_day.empty()) removable += entry.archive->RemovableBytes();
  }
  return raw_free_bytes_ + removable - wanted_free_bytes_ >= needed;
}

bool TDestDisk::RemovalFellShort(int64_t counted, int64_t freed_bytes, TLogger& logger) {
  const int64_t shortfall = counted - freed_bytes;
  if (shortfall <= std::max(counted / 2, kShortfallNoise)) return false;
  removal_stopped_ = true;
  logger.LogLine("Stopped removing archive days on " + root_ + ": the last one freed " +
                 SizeText(std::max<int64_t>(freed_bytes, 0), 1) + " of the " +
                 SizeText(counted, 1) + " it was counted with");
  return true;
}

}  // namespace qv
