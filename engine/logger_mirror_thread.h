#ifndef QUORVANE_ENGINE_LOGGER_MIRROR_THREAD_H_
#define QUORVANE_ENGINE_LOGGER_MIRROR_THREAD_H_

#include <string>

#include "log/logger.h"

namespace qv {

class TFrontEnd;
class TMirrorThread;

// The logger of the scan thread: lines, the log file name, statistics
// refreshes and flushes go to the front end as synchronous calls (so lines
// arrive in the order logged); status texts go into the thread's mailbox
// unless the front end is minimised; termination and suspension are the
// thread's.
//
// Threads: the scan thread only.
class TLoggerMirrorThread : public TLogger {
 public:
  TLoggerMirrorThread(TMirrorThread& thread, TFrontEnd& front_end)
      : thread_(thread), front_end_(front_end) {}

  // Control characters are escaped before the front end sees the text.
  void Log(const std::string& text, bool new_line) override;
  // Dropped, not queued, while the front end is minimised.
  void SetStatus(const std::string& text) override;
  bool SetLogFileName(const std::string& path) override;
  void UpdateCurrentMirrorStats() override;
  void UpdateMirrorStats(const std::string& path) override;
  bool IsTerminated() override;
  bool CheckSuspend() override;
  bool FlushLog() override;

 private:
  TMirrorThread& thread_;
  TFrontEnd& front_end_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_LOGGER_MIRROR_THREAD_H_
