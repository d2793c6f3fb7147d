#ifndef QUORVANE_LOG_CONSOLE_LOGGER_H_
#define QUORVANE_LOG_CONSOLE_LOGGER_H_

#include <atomic>
#include <iostream>
#include <mutex>
#include <ostream>
#include <string>

#include "log/logger.h"

namespace qv {

// The sink of the headless tool: writes the lines to a stream exactly as the
// log view shows them, control characters escaped. A line's terminating "\n"
// is written when the next line starts or at EndLine(), because a Log with
// new_line false may still continue it. Each Log flushes once, so a terminal
// or a pipe reader sees the text at once.
//
// Threads: Log, SetStatus and StatusText may be called from any thread.
// RequestStop only stores an atomic flag and may be called from a signal
// handler.
class TConsoleLogger : public TLogger {
 public:
  explicit TConsoleLogger(std::ostream& out = std::cout);
  // Ends an open line.
  ~TConsoleLogger() override;

  void Log(const std::string& text, bool new_line) override;
  // Kept (escaped) for a progress display, never written to the stream.
  void SetStatus(const std::string& text) override;
  bool IsTerminated() override;
  bool CheckSuspend() override;
  bool FlushLog() override;

  // Writes the "\n" of an open line; a later continuation then starts a new
  // line. For the end of the run, before anything else writes to the stream.
  void EndLine();
  // The text of the latest SetStatus.
  std::string StatusText() const;
  // Asks the scan to stop: IsTerminated() answers true from now on.
  // Async-signal-safe.
  void RequestStop() noexcept { stop_.store(true, std::memory_order_relaxed); }

 private:
  static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets the stop flag");

  mutable std::mutex mu_;
  std::ostream& out_;       // GUARDED_BY(mu_)
  bool line_open_ = false;  // GUARDED_BY(mu_)
  std::string status_;      // GUARDED_BY(mu_)
  std::atomic<bool> stop_{false};
};

}  // namespace qv

#endif  // QUORVANE_LOG_CONSOLE_LOGGER_H_
