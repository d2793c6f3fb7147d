#include "ui/stats_panel/disk_query_thread.h"

#include <condition_variable>
#include <mutex>
#include <utility>

#include "filesys/platform.h"

namespace qv {

struct TDiskQueryThread::TShared {
  std::shared_ptr<Platform> platform;
  Deliver deliver;
  CameBack came_back;
  std::mutex mutex;
  std::condition_variable wake;
  std::unique_ptr<TDiskInfoQuery> query;  // waiting to run
  uint64_t serial = 0;
  bool busy = false;    // a query runs outside the lock
  bool closed = false;  // the owner let go: end, deliver nothing
};

TDiskQueryThread::TDiskQueryThread(std::shared_ptr<Platform> platform, Deliver deliver,
                                   CameBack came_back)
    : shared_(std::make_shared<TShared>()) {
  shared_->platform = std::move(platform);
  shared_->deliver = std::move(deliver);
  shared_->came_back = std::move(came_back);
  thread_ = std::thread(Loop, shared_);
}

TDiskQueryThread::~TDiskQueryThread() {
  if (thread_.joinable()) Close();
}

bool TDiskQueryThread::Close() {
  bool busy = false;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->closed = true;
    busy = shared_->busy;
  }
  shared_->wake.notify_one();
  // A busy thread may never come back; it ends by itself if it does.
  if (busy) {
    thread_.detach();
  } else {
    thread_.join();
  }
  return busy;
}

void TDiskQueryThread::Run(uint64_t serial, std::unique_ptr<TDiskInfoQuery> query) {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->query = std::move(query);
    shared_->serial = serial;
  }
  shared_->wake.notify_one();
}

void TDiskQueryThread::Loop(const std::shared_ptr<TShared>& shared) {
  std::unique_lock lock(shared->mutex);
  for (;;) {
    shared->wake.wait(lock, [&shared] { return shared->closed || shared->query != nullptr; });
    if (shared->closed) return;
    std::unique_ptr<TDiskInfoQuery> query = std::move(shared->query);
    const uint64_t serial = shared->serial;
    shared->busy = true;
    lock.unlock();
    query->Run(*shared->platform);
    lock.lock();
    shared->busy = false;
    // Under the lock, so that the owner's destructor cannot overtake it.
    if (shared->closed) {
      shared->came_back(query->info());
      return;
    }
    shared->deliver(serial, query->info());
  }
}

}  // namespace qv
