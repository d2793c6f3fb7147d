#ifndef QUORVANE_STATS_MIRROR_INFO_H_
#define QUORVANE_STATS_MIRROR_INFO_H_

#include <cstdint>
#include <string>
#include <utility>

#include "stats/dir_info.h"

namespace qv {

class Platform;
class TQVIniFile;

// Drive values of a TMirrorInfo: not asked yet, or the question failed.
inline constexpr int64_t kDriveNotQueried = -2;
inline constexpr int64_t kDriveQueryFailed = -1;

// The stored statistics of one mirror as the charts show them: the counters
// saved at the end of its last scan, and the free and total bytes of the
// volumes holding its source and destination.
//
// Threads: one at a time (main thread).
class TMirrorInfo {
 public:
  TMirrorInfo() = default;
  TMirrorInfo(const TMirrorInfo&) = delete;
  TMirrorInfo& operator=(const TMirrorInfo&) = delete;

  // Reads "Enabled" and the five counter sets of the mapping whose destination
  // is given; a missing or invalid stored value reads as 0. With query_drives
  // the four drive values come from the platform (kDriveQueryFailed for a
  // volume that cannot be asked); otherwise they are kDriveNotQueried.
  void LoadMirrorInfo(const std::string& source, const std::string& destination, bool query_drives,
                      TQVIniFile& ini, Platform& platform);
  // The counters of a mirror that is running now, copied from its own; the
  // mirror is enabled and the drive values are kDriveNotQueried.
  void SetRunning(const std::string& source, const std::string& destination,
                  const TDirInfo& source_included, const TDirInfo& source_excluded,
                  const TDirInfo& destination_included, const TDirInfo& destination_excluded,
                  const TDirInfo& archive);

  const std::string& source_dir() const { return source_dir_; }
  const std::string& destination_dir() const { return destination_dir_; }
  const TDirInfo& source() const { return source_; }
  const TDirInfo& source_excluded() const { return source_excluded_; }
  const TDirInfo& destination() const { return destination_; }
  const TDirInfo& destination_excluded() const { return destination_excluded_; }
  const TDirInfo& archive() const { return archive_; }
  int64_t source_free() const { return source_free_; }
  int64_t source_total() const { return source_total_; }
  int64_t destination_free() const { return destination_free_; }
  int64_t destination_total() const { return destination_total_; }
  bool enabled() const { return enabled_; }
  // When and how the last scan ended (LastScanWhen, LastScanOutcome), read
  // with the counters; both "" for a running mirror.
  const std::pair<std::string, std::string>& last_scan() const { return last_scan_; }

 private:
  std::string source_dir_;
  std::string destination_dir_;
  TDirInfo source_;
  TDirInfo source_excluded_;
  TDirInfo destination_;
  TDirInfo destination_excluded_;
  TDirInfo archive_;
  int64_t source_free_ = kDriveNotQueried;
  int64_t source_total_ = kDriveNotQueried;
  int64_t destination_free_ = kDriveNotQueried;
  int64_t destination_total_ = kDriveNotQueried;
  bool enabled_ = true;
  std::pair<std::string, std::string> last_scan_;
};

}  // namespace qv

#endif  // QUORVANE_STATS_MIRROR_INFO_H_
