#ifndef QUORVANE_UI_STATS_PANEL_DISK_QUERY_THREAD_H_
#define QUORVANE_UI_STATS_PANEL_DISK_QUERY_THREAD_H_

#include <cstdint>
#include <functional>
#include <memory>

#include "archive/disk_info_query.h"
#include "ui/logic/job_thread.h"

namespace qv {

class Platform;

// The drive queries of TDiskInfoWorker on a TJobThread, which may be left
// behind. Everything the thread touches (the platform, the query, deliver,
// came_back) it owns a share of, so nothing is freed under it; once the
// destructor began, deliver is never called again, and a query that returns
// after that goes to came_back instead.
//
// Threads: construct, Run and destroy on one thread (the main thread);
// deliver and came_back run on the query thread and must only hand the answer
// over (post it, or note it under a lock of their own), never wait for the
// owner's thread.
class TDiskQueryThread {
 public:
  using Deliver = std::function<void(uint64_t serial, const TDiskInfo& info)>;
  using CameBack = std::function<void(const TDiskInfo& info)>;

  TDiskQueryThread(std::shared_ptr<Platform> platform, Deliver deliver, CameBack came_back);
  TDiskQueryThread(const TDiskQueryThread&) = delete;
  TDiskQueryThread& operator=(const TDiskQueryThread&) = delete;

  // Runs query; deliver gets its info with serial. Only when the previous
  // query was delivered.
  void Run(uint64_t serial, std::unique_ptr<TDiskInfoQuery> query);
  // What the destructor does: delivers nothing from now on and ends the
  // thread, joining it when idle, else leaving it behind. True when it was
  // left behind: came_back then gets the running query if it ever returns.
  // Once only.
  bool Close();

 private:
  std::shared_ptr<Platform> platform_;
  Deliver deliver_;
  CameBack came_back_;
  TJobThread thread_;
};

}  // namespace qv

#endif  // QUORVANE_UI_STATS_PANEL_DISK_QUERY_THREAD_H_
