#ifndef QUORVANE_UI_LOGIC_JOB_THREAD_H_
#define QUORVANE_UI_LOGIC_JOB_THREAD_H_

#include <functional>
#include <memory>
#include <thread>

namespace qv {

// One thread that runs jobs one at a time, for work that may hang for good
// (a file system call on a dead network mount), so the thread can be left
// behind: Close and the destructor return at once, joining an idle thread
// and detaching a busy one. A job's functions must own (a share of)
// everything they touch, as they may outlive the owner.
//
// Threads: construct, Run, Close and destroy on one thread (the owner's).
class TJobThread {
 public:
  struct TJob {
    // Runs on the thread, outside any lock.
    std::function<void()> work;
    // Runs on the thread after work, under the lock that Close takes, so it
    // cannot overlap the owner letting go: left_behind tells whether the
    // owner closed the thread meanwhile. It must only hand the answer over
    // (post it, or note it under a lock of its own), never wait for the
    // owner's thread.
    std::function<void(bool left_behind)> answer;
  };

  TJobThread();
  ~TJobThread();
  TJobThread(const TJobThread&) = delete;
  TJobThread& operator=(const TJobThread&) = delete;

  // Runs job next; a job given before and not yet started is dropped.
  void Run(TJob job);
  // Ends the thread: joins it when idle, else leaves it behind and answers
  // true; the job it runs then gets left_behind. Jobs not yet started are
  // dropped. Once only; the destructor calls it unless it was called.
  bool Close();

 private:
  struct TShared;
  static void Loop(const std::shared_ptr<TShared>& shared);

  std::shared_ptr<TShared> shared_;
  std::thread thread_;
};

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_JOB_THREAD_H_
