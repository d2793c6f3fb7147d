#ifndef QUORVANE_TESTS_SUPPORT_LATCH_H_
#define QUORVANE_TESTS_SUPPORT_LATCH_H_

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qv::testing {

// Closed until Open(); waits with a limit so that a failing test cannot hang.
class TLatch {
 public:
  void Open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  void Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
  }
  bool Wait(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return opened_.wait_for(lock, limit, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_SUPPORT_LATCH_H_
