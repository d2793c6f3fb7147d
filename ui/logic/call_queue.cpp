#include "ui/logic/call_queue.h"

#include <utility>

namespace qv {

TCallQueue::TCallQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

bool TCallQueue::Call(std::function<void()> fn) {
  TWaiter waiter;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (shut_down_) return false;
    entries_.push_back({std::move(fn), &waiter});
  }
  wake_();
  std::unique_lock<std::mutex> lock(mutex_);
  answered_.wait(lock, [&waiter] { return waiter.done; });
  return !waiter.released;
}

void TCallQueue::Post(std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back({std::move(fn), nullptr});
  }
  wake_();
}

size_t TCallQueue::RunPending() {
  size_t budget;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    budget = entries_.size();
  }
  size_t ran = 0;
  while (ran < budget) {
    TEntry entry;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // Shutdown may have taken blocking calls out meanwhile.
      if (entries_.empty()) break;
      entry = std::move(entries_.front());
      entries_.pop_front();
    }
    entry.fn();
    ++ran;
    if (entry.waiter != nullptr) {
      std::lock_guard<std::mutex> lock(mutex_);
      entry.waiter->done = true;
      answered_.notify_all();
    }
  }
  return ran;
}

void TCallQueue::Shutdown() {
  std::lock_guard<std::mutex> lock(mutex_);
  shut_down_ = true;
  std::deque<TEntry> kept;
  for (TEntry& entry : entries_) {
    if (entry.waiter == nullptr) {
      kept.push_back(std::move(entry));
    } else {
      entry.waiter->released = true;
      entry.waiter->done = true;
    }
  }
  entries_.swap(kept);
  answered_.notify_all();
}

bool TCallQueue::shut_down() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shut_down_;
}

size_t TCallQueue::pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace qv
