#include "ui/statistics/disk_info_worker.h"

#include <utility>

#include "filesys/platform.h"
#include "stats/mirror_info.h"
#include "ui/statistics/disk_query_thread.h"

namespace qv {

TDiskInfoWorker::TDiskInfoWorker(std::shared_ptr<Platform> platform,
                                 std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), platform_(std::move(platform)) {
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
  if (!thread_) {
    thread_ = std::make_unique<TDiskQueryThread>(
        platform_, [this](uint64_t serial, const TDiskInfo& info) {
          QMetaObject::invokeMethod(
              this, [this, serial, info] { Answered(serial, info); }, Qt::QueuedConnection);
        });
  }
  running_ = TRunning{++serial_, generation_, query->info().drive};
  thread_->Run(serial_, std::move(query));
  timeout_.start();
}

void TDiskInfoWorker::Answered(uint64_t serial, const TDiskInfo& info) {
  // An answer posted just before its query timed out.
  if (!running_ || running_->serial != serial) return;
  Finish(info);
}

void TDiskInfoWorker::TimedOut() {
  if (!running_) return;
  thread_.reset();
  TDiskInfo failed;
  failed.drive = running_->drive;
  failed.free_bytes = kDriveQueryFailed;
  failed.total_bytes = kDriveQueryFailed;
  Finish(failed);
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
