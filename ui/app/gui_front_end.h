#ifndef QUORVANE_UI_APP_GUI_FRONT_END_H_
#define QUORVANE_UI_APP_GUI_FRONT_END_H_

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/front_end.h"
#include "ui/logic/confirm_panel.h"
#include "ui/logic/call_queue.h"

namespace qv {

class TLog;

// What the window does for the scan thread's calls, on the main thread.
struct TScanEvents {
  // The scan thread suspends itself after this; see TFrontEnd::ArmWakeUpTimer.
  std::function<void(int64_t millis)> suspended;
  // The scan thread is about to end; join it now.
  std::function<void()> ended;
  // A question for the user, answered later through TMirrorThread::Answer.
  std::function<void(const TConfirmQuestion& question)> confirm = nullptr;
  // The running mirror's counters changed (it ends now, for one).
  std::function<void()> running_stats = nullptr;
  // The stored counters of the mirror that owns archive_dir changed.
  std::function<void(const std::string& archive_dir)> mirror_stats = nullptr;
};

// The window's side of the scan thread. Each call of the scan thread goes
// through one queue into the event loop, in the order made; the blocking ones
// wait there until the main thread ran them. After Shutdown (closing with no
// event loop left, a signal, a logout) every call answers at once, and a
// question answers "terminate", so the scan thread always reaches its end.
//
// Threads: the TFrontEnd calls on the scan thread; the rest on the main
// thread, which owns this object and the log buffer.
class TGuiFrontEnd : public QObject, public TFrontEnd {
  Q_OBJECT

 public:
  TGuiFrontEnd(TLog& log, TScanEvents events, QObject* parent = nullptr);

  void AddLogLine(const std::string& text, bool new_line) override;
  bool SetLogFileName(const std::string& path) override;
  void UpdateCurrentMirrorStats() override;
  void UpdateMirrorStats(const std::string& path) override;
  bool FlushLog() override;
  // Hands the question to the window and answers later; without a window to
  // ask (shut down) it answers "terminate".
  bool PrepareConfirm(const std::string& question, const std::string& source,
                      const std::string& destination, const std::string& extra,
                      uint16_t* flags) override;
  void ArmWakeUpTimer(int64_t millis) override;
  bool IsMinimised() override { return minimised_.load(); }
  bool IsHiddenInTray() override { return hidden_in_tray_.load(); }
  void ScanEnded() override;

  // ---- Main thread.
  void set_minimised(bool minimised) { minimised_ = minimised; }
  void set_hidden_in_tray(bool hidden) { hidden_in_tray_ = hidden; }
  // Runs what the scan thread queued; the event loop does it by itself.
  size_t RunPending() { return queue_.RunPending(); }
  void Shutdown() { queue_.Shutdown(); }
  bool shut_down() const { return queue_.shut_down(); }

 private:
  TLog& log_;
  const TScanEvents events_;
  TCallQueue queue_;
  std::atomic<bool> minimised_{false};
  std::atomic<bool> hidden_in_tray_{false};
};

}  // namespace qv

#endif  // QUORVANE_UI_APP_GUI_FRONT_END_H_
