#ifndef QUORVANE_UI_LOGIC_CALL_QUEUE_H_
#define QUORVANE_UI_LOGIC_CALL_QUEUE_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

namespace qv {

// Carries the scan thread's calls into the main thread, oldest first, so the
// window sees log lines, refreshes and the end of the scan in the order they
// were made. Blocking calls wait until the main thread ran them; posted calls
// do not wait.
//
// Shutdown mode (closing, a signal, a logout): every blocking call that is
// still queued, and every later one, answers at once with its shutdown answer
// and never runs, so the scan thread can reach its end while no event loop
// turns. Posted calls keep running: ScanEnded must still arrive, because the
// owner joins the scan thread only after it.
//
// The queue must outlive the scan thread (join first, then destroy).
class TCallQueue {
 public:
  // wake runs on the enqueuing thread after each queued call and must ask the
  // main thread to run RunPending soon (post an event, write to a pipe); it
  // must not wait for the main thread.
  explicit TCallQueue(std::function<void()> wake);
  TCallQueue(const TCallQueue&) = delete;
  TCallQueue& operator=(const TCallQueue&) = delete;

  // Scan thread: runs fn on the main thread and waits for it. False, without
  // running fn, in shutdown mode.
  bool Call(std::function<void()> fn);

  // Scan thread: as Call, answering fn's result, or shutdown_answer when in
  // shutdown mode (fn then never runs).
  template <typename R, typename F>
  R Call(F&& fn, R shutdown_answer) {
    R answer = std::move(shutdown_answer);
    Call(std::function<void()>([&answer, &fn] { answer = fn(); }));
    return answer;
  }

  // Any thread: queues fn behind the calls made before and returns at once.
  // Posted calls run also in shutdown mode.
  void Post(std::function<void()> fn);

  // Main thread: runs the calls that were queued when it was called, oldest
  // first, and answers how many ran. Calls queued meanwhile wait for the next
  // run (their wake-up was sent), so a busy scan cannot starve the event loop.
  size_t RunPending();

  // Enters shutdown mode (for good): releases every waiting blocking call
  // with its shutdown answer. Any thread.
  void Shutdown();

  bool shut_down() const;
  // Calls queued and not yet run.
  size_t pending() const;

 private:
  // A blocking call's waiter sleeps until done; the main thread or Shutdown
  // sets it.
  struct TWaiter {
    bool done = false;
    bool released = false;  // answered by Shutdown without running
  };
  struct TEntry {
    std::function<void()> fn;
    TWaiter* waiter = nullptr;  // null for a posted call
  };

  std::function<void()> wake_;
  mutable std::mutex mutex_;
  std::condition_variable answered_;
  std::deque<TEntry> entries_;
  bool shut_down_ = false;
};

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_CALL_QUEUE_H_
