#include "ui/logic/job_thread.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace qv {

struct TJobThread::TShared {
  std::mutex mutex;
  std::condition_variable wake;
  std::optional<TJob> job;  // waiting to run
  bool busy = false;        // a job works outside the lock
  bool closed = false;      // the owner let go: end, hand nothing over
};

TJobThread::TJobThread() : shared_(std::make_shared<TShared>()) {
  thread_ = std::thread(Loop, shared_);
}

TJobThread::~TJobThread() {
  if (thread_.joinable()) Close();
}

bool TJobThread::Close() {
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

void TJobThread::Run(TJob job) {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->job = std::move(job);
  }
  shared_->wake.notify_one();
}

void TJobThread::Loop(const std::shared_ptr<TShared>& shared) {
  std::unique_lock lock(shared->mutex);
  for (;;) {
    shared->wake.wait(lock, [&shared] { return shared->closed || shared->job.has_value(); });
    if (shared->closed) return;
    TJob job = std::move(*shared->job);
    shared->job.reset();
    shared->busy = true;
    lock.unlock();
    job.work();
    lock.lock();
    shared->busy = false;
    // Under the lock, so that the owner's Close cannot overtake it.
    job.answer(shared->closed);
    if (shared->closed) return;
  }
}

}  // namespace qv
