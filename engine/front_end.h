#ifndef QUORVANE_ENGINE_FRONT_END_H_
#define QUORVANE_ENGINE_FRONT_END_H_

#include <cstdint>
#include <string>

namespace qv {

// How the scan thread reaches the program that runs it: the window, or the
// headless tool. Unless a method says otherwise, each call is synchronous:
// it runs in the front end's main thread while the scan thread waits for it,
// and calls run in the order they were made. The window implements them with
// blocking queued calls into its event loop; the headless tool runs them
// directly on the scan thread.
//
// Log lines and status texts come with control characters escaped; paths
// come as they are.
class TFrontEnd {
 public:
  virtual ~TFrontEnd() = default;

  // new_line false continues the current line.
  virtual void AddLogLine(const std::string& text, bool new_line) = 0;
  // The file the log is saved to from now on.
  virtual bool SetLogFileName(const std::string& path) = 0;
  // The running mirror's counters changed; read them through
  // TMirrorThread::current().
  virtual void UpdateCurrentMirrorStats() = 0;
  // The stored counters of the mirror that owns path changed.
  virtual void UpdateMirrorStats(const std::string& path) = 0;
  // Write the pending log lines out; false when they could not be saved.
  virtual bool FlushLog() = 0;

  // Puts a question to the user. Called only when *flags has the ask bit.
  // Either answers now (true for Yes), with *flags changed by the scope of
  // the answer (ApplyConfirmScope) and kConfirmTerminate added when the user
  // chose to stop; or sets kConfirmWaiting in *flags and answers later, from
  // any thread, through TMirrorThread::Answer. The return value is then
  // ignored.
  virtual bool PrepareConfirm(const std::string& question, const std::string& source,
                              const std::string& destination, const std::string& extra,
                              uint16_t* flags) = 0;
  // The scan thread suspends itself after this call until TMirrorThread::
  // Resume or Terminate. millis is how long the user must stay idle from
  // now on for the scan to go on; the front end decides when to resume.
  virtual void ArmWakeUpTimer(int64_t millis) = 0;

  // State queries. Called on the scan thread without a hand-over: answer
  // from state the front end keeps thread-safe (atomics).
  virtual bool IsMinimised() = 0;
  virtual bool IsHiddenInTray() = 0;

  // The last call of a scan, made on the scan thread just before it ends
  // (not a hand-over: the window posts it to its event loop). The owner
  // joins the thread afterwards.
  virtual void ScanEnded() = 0;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_FRONT_END_H_
