#ifndef QUORVANE_CLI_HEADLESS_FRONT_END_H_
#define QUORVANE_CLI_HEADLESS_FRONT_END_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "cli/confirm_prompt.h"
#include "engine/front_end.h"

namespace qv {

class TConsole;
class TLog;
class TMirrorThread;
class TTerminalOutput;

// The front end of a scan in the headless tool. The scan thread's
// synchronous calls run right where they are made, on the scan thread: log
// lines go into the log buffer, which saves them into each mirror's log file
// as the window's log view does and whose text is written out as it grows;
// questions are put on the terminal. There is no window: never minimised,
// never hidden, so the scan never pauses for user input. The main thread
// waits for the end, draws the progress and stops the scan on request.
//
// Threads: the TFrontEnd calls on the scan thread, the rest on the main
// thread. log_mu_ guards the log buffer while a scan runs; between scans the
// owner uses the buffer directly.
class THeadlessFrontEnd : public TFrontEnd {
 public:
  THeadlessFrontEnd(TLog& log, TTerminalOutput& output, TConsole& console);

  // The scan that calls this front end, before it starts.
  void Attach(TMirrorThread& thread);

  void AddLogLine(const std::string& text, bool new_line) override;
  bool SetLogFileName(const std::string& path) override;
  void UpdateCurrentMirrorStats() override {}
  void UpdateMirrorStats(const std::string&) override {}
  // False also when a save since the last flush failed (the log saves itself
  // when it grows long): the scan counts the error line that failure wrote,
  // so that no summary says "Logged no errors" after it.
  bool FlushLog() override;
  // Asks on the terminal at once. A stop request while the question waits
  // leaves it unanswered: the scan then ends as terminated.
  bool PrepareConfirm(const std::string& question, const std::string& source,
                      const std::string& destination, const std::string& extra,
                      uint16_t* flags) override;
  // Not called while never hidden; should it be, nobody's input is awaited.
  void ArmWakeUpTimer(int64_t millis) override;
  bool IsMinimised() override { return false; }
  bool IsHiddenInTray() override { return false; }
  void ScanEnded() override;

  // ---- Main thread, while the attached scan runs.
  // True once ScanEnded came; waits up to timeout for it.
  bool WaitForEnd(std::chrono::milliseconds timeout);
  // The stop command: the first call logs "Terminating scanner..." between
  // empty lines and terminates the scan; later calls only tell the user.
  void Stop();
  // Draws how far the scan is (see ProgressText) and the latest status
  // text.
  void ShowProgress();

  // A save of the log failed (its error line is in the log).
  bool log_save_failed() const { return log_save_failed_; }

 private:
  TLog& log_;
  TTerminalOutput& output_;
  TConfirmPrompt prompt_;
  TMirrorThread* thread_ = nullptr;

  std::mutex log_mu_;  // guards log_ while the scan runs

  std::mutex end_mu_;
  std::condition_variable end_cv_;
  bool ended_ = false;  // GUARDED_BY(end_mu_)

  bool stopping_ = false;                          // main thread only
  std::chrono::steady_clock::time_point started_;  // main thread only: of the attached scan
  std::string status_;                             // main thread only: the latest status text
  std::atomic<bool> log_save_failed_{false};
  // A save wrote its error line since the last FlushLog; GUARDED_BY(log_mu_)
  // while the scan runs.
  bool uncounted_save_error_ = false;
};

}  // namespace qv

#endif  // QUORVANE_CLI_HEADLESS_FRONT_END_H_
