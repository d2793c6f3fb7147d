#ifndef QUORVANE_UI_STATS_PANEL_DISK_INFO_WORKER_H_
#define QUORVANE_UI_STATS_PANEL_DISK_INFO_WORKER_H_

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/disk_info_query.h"

namespace qv {

class Platform;
class TDiskQueryThread;

// Asks drives for their label, free and total bytes without ever blocking
// the window or the scan: the queries run one at a time on a thread of their
// own, and each answer comes back through the event loop as result().
//
// For the statistics panel: Load() at each reload of the statistics, with the
// drives of every mirror; Query() for one drive whose rows changed (a mirror
// finished). result() arrives once per queried drive, in the order asked,
// with the generation of the load it belongs to; answers of a load that a
// newer Load() replaced are dropped, so every result() is current.
//
// A query that has not answered within the timeout yields a result with
// free_bytes and total_bytes kDriveQueryFailed ("Error" in the charts); its
// thread is left behind (never joined, not even by the destructor) and the
// next query starts on a fresh one. Until that thread came back, its drive
// is not asked again but fails at once, so a dead mount holds one thread, not
// one per reload. Because a left-behind thread may come back at any time, it
// keeps a share of the platform: pass one that lives as long as the shares
// (for the process-wide DefaultPlatform() a non-owning pointer, see
// SharedDefaultPlatform()).
//
// Threads: the main thread only.
class TDiskInfoWorker : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{5000};

  explicit TDiskInfoWorker(std::shared_ptr<Platform> platform,
                           std::chrono::milliseconds timeout = kDefaultTimeout,
                           QObject* parent = nullptr);
  // Returns at once, also while a query hangs.
  ~TDiskInfoWorker() override;

  // Starts a new generation: drops the queries not yet run and the answer of
  // the one running, then queues each distinct drive. Answers the new
  // generation.
  uint64_t Load(const std::vector<std::string>& drives);
  // Queues drive in the current generation unless it is queued already.
  void Query(const std::string& drive);

  uint64_t generation() const { return generation_; }
  // No query waiting or running.
  bool idle() const { return !running_ && queue_.Empty(); }

 signals:
  // Emitted on the main thread from the event loop, never inside Load or
  // Query; connect directly. A failed query has free_bytes and total_bytes
  // kDriveQueryFailed and an empty label.
  void result(const qv::TDiskInfo& info, quint64 generation);

 private:
  struct TRunning {
    uint64_t serial = 0;
    uint64_t generation = 0;
    std::string drive;
  };

  void StartNext();
  void Post(uint64_t serial, const TDiskInfo& info);
  void Answered(uint64_t serial, const TDiskInfo& info);
  void TimedOut();
  // Ends the running query with info and starts the next one.
  void Finish(const TDiskInfo& info);

  struct THanging;

  std::shared_ptr<Platform> platform_;
  std::shared_ptr<THanging> hanging_;  // shared with the left-behind threads
  QTimer timeout_;
  TDiskInfoQueue queue_;
  std::unique_ptr<TDiskQueryThread> thread_;  // null until needed, and after a hang
  std::optional<TRunning> running_;
  uint64_t generation_ = 0;
  uint64_t serial_ = 0;
};

// DefaultPlatform() as a share for TDiskInfoWorker; it lives as long as the
// process, so the share owns nothing.
std::shared_ptr<Platform> SharedDefaultPlatform();

}  // namespace qv

#endif  // QUORVANE_UI_STATS_PANEL_DISK_INFO_WORKER_H_
