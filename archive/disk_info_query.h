#ifndef QUORVANE_ARCHIVE_DISK_INFO_QUERY_H_
#define QUORVANE_ARCHIVE_DISK_INFO_QUERY_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace qv {

class Platform;

// The drive a path lies on: the mount point of its volume with a trailing
// "/", or the path itself (with "/") when the system cannot tell. Drives
// compare exactly.
std::string DriveOf(Platform& platform, const std::string& path);

// What the statistics show of a drive.
struct TDiskInfo {
  std::string drive;
  std::string label;         // "" when the volume has none
  int64_t free_bytes = -1;   // available to the user; -1 when unknown
  int64_t total_bytes = -1;  // -1 when unknown
};

// One query for a drive's label, free and total bytes. The system calls may
// be slow (a sleeping disk, a network mount), so the front end runs it on a
// worker thread and hands info() to the display once Run returned.
//
// Threads: Run on any one thread; info() after Run returned.
class TDiskInfoQuery {
 public:
  explicit TDiskInfoQuery(std::string drive);
  void Run(Platform& platform);
  const TDiskInfo& info() const { return info_; }

 private:
  TDiskInfo info_;
};

// Queries waiting to run, one per drive, in the order they were asked for.
// The front end takes one out whenever it is idle, so the queries run one
// after the other; a drive can be queued again once its query left.
//
// Threads: the main thread only.
class TDiskInfoQueue {
 public:
  // False, and nothing queued, when a query for drive is already pending.
  bool Add(const std::string& drive);
  // The first pending query, out of the queue; null when none is pending.
  std::unique_ptr<TDiskInfoQuery> TakeNext();
  bool Pending(const std::string& drive) const;
  bool Empty() const { return pending_.empty(); }

 private:
  std::deque<std::unique_ptr<TDiskInfoQuery>> pending_;
};

}  // namespace qv

#endif  // QUORVANE_ARCHIVE_DISK_INFO_QUERY_H_
