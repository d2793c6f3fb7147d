#include "archive/disk_info_query.h"

#include <algorithm>
#include <utility>

#include "filesys/file_ops.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"

namespace qv {

std::string DriveOf(Platform& platform, const std::string& path) {
  VolumeInfo volume;
  if (platform.GetVolume(path, &volume).ok()) return IncludeTrailingSeparator(volume.mount_point);
  return IncludeTrailingSeparator(path);
}

TDiskInfoQuery::TDiskInfoQuery(std::string drive) { info_.drive = std::move(drive); }

void TDiskInfoQuery::Run(Platform& platform) {
  info_.label = VolumeName(platform, info_.drive);
  GetFreeSpace(platform, info_.drive, &info_.free_bytes, &info_.total_bytes);
}

bool TDiskInfoQueue::Add(const std::string& drive) {
  if (Pending(drive)) return false;
  pending_.push_back(std::make_unique<TDiskInfoQuery>(drive));
  return true;
}

std::unique_ptr<TDiskInfoQuery> TDiskInfoQueue::TakeNext() {
  if (pending_.empty()) return nullptr;
  std::unique_ptr<TDiskInfoQuery> next = std::move(pending_.front());
  pending_.pop_front();
  return next;
}

bool TDiskInfoQueue::Pending(const std::string& drive) const {
  return std::any_of(pending_.begin(), pending_.end(),
                     [&drive](const auto& query) { return query->info().drive == drive; });
}

}  // namespace qv
