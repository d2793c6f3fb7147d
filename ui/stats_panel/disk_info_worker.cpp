#include "ui/stats_panel/disk_info_worker.h"

#include <map>
#include <mutex>
#include <utility>

#include "filesys/platform.h"
#include "stats/mirror_info.h"
#include "ui/stats_panel/disk_query_thread.h"

namespace qv {
namespace {

TDiskInfo Failed(const std::string& drive) {
  TDiskInfo info;
  info.drive = drive;
  info.free_bytes = kDriveQueryFailed;
  info.total_bytes = kDriveQueryFailed;
  return info;
}

}  // namespace

// The drives whose query was left behind and has not come back yet, with
// their number of such queries. Counted, because a query may come back before
// the main thread noted it as left behind.
struct TDiskInfoWorker::THanging {
  std::mutex mutex;
  std::map<std::string, int> drives;

  void Count(const std::string& drive, int change) {
    std::lock_guard lock(mutex);
    if ((drives[drive] += change) == 0) drives.erase(drive);
  }
  bool Contains(const std::string& drive) {
    std::lock_guard lock(mutex);
    const auto it = drives.find(drive);
    return it != drives.end() && it->second > 0;
  }
};

TDiskInfoWorker::TDiskInfoWorker(std::shared_ptr<Platform> platform,
                                 std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), platform_(std::move(platform)), hanging_(std::make_shared<THanging>()) {
  timeout_.setSingleShot(true);
  timeout_.setInterval(timeout);
  connect(&timeout_, &QTimer::timeout, this, &TDiskInfoWorker::TimedOut);
}

// The thread goes first: from then on it delivers nothing to this object.
TDiskInfoWorker::~TDiskInfoWorker() { thread_.reset(); }

uint64_t TDiskInfoWorker::Load(const std::vector<std::string>& drives) {
  ++generation_;
  queue_ = TDiskInfoQueue();
  for (const std::string& drive : drives) queue_.Add(drive);
  StartNext();
  return generation_;
}

void TDiskInfoWorker::Query(const std::string& drive) {
  queue_.Add(drive);
  StartNext();
}

void TDiskInfoWorker::StartNext() {
  if (running_) return;
  std::unique_ptr<TDiskInfoQuery> query = queue_.TakeNext();
  if (!query) return;
  const std::string& drive = query->info().drive;
  running_ = TRunning{++serial_, generation_, drive};
  if (hanging_->Contains(drive)) {
    Post(serial_, Failed(drive));
    return;
  }
  if (!thread_) {
    thread_ = std::make_unique<TDiskQueryThread>(
        platform_, [this](uint64_t serial, const TDiskInfo& info) { Post(serial, info); },
        [hanging = hanging_](const TDiskInfo& info) { hanging->Count(info.drive, -1); });
  }
  thread_->Run(serial_, std::move(query));
  timeout_.start();
}

// Any thread.
void TDiskInfoWorker::Post(uint64_t serial, const TDiskInfo& info) {
  QMetaObject::invokeMethod(
      this, [this, serial, info] { Answered(serial, info); }, Qt::QueuedConnection);
}

void TDiskInfoWorker::Answered(uint64_t serial, const TDiskInfo& info) {
  // An answer posted just before its query timed out.
  if (!running_ || running_->serial != serial) return;
  Finish(info);
}

void TDiskInfoWorker::TimedOut() {
  if (!running_) return;
  if (thread_->Close()) hanging_->Count(running_->drive, +1);
  thread_.reset();
  Finish(Failed(running_->drive));
}

void TDiskInfoWorker::Finish(const TDiskInfo& info) {
  timeout_.stop();
  const uint64_t generation = running_->generation;
  running_.reset();
  // The next query starts first, so a slot that calls Load or Query finds
  // this one finished.
  StartNext();
  if (generation == generation_) emit result(info, generation);
}

std::shared_ptr<Platform> SharedDefaultPlatform() {
  return std::shared_ptr<Platform>(std::shared_ptr<Platform>(), &DefaultPlatform());
}

}  // namespace qv
