#ifndef QUORVANE_UI_MAIN_WINDOW_SCAN_CONTROL_H_
#define QUORVANE_UI_MAIN_WINDOW_SCAN_CONTROL_H_

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filesys/local_time.h"
#include "ui/app/gui_front_end.h"
#include "ui/logic/scan_state.h"

namespace qv {

class Platform;
class TConfigData;
class TLog;
class TMirrorInfo;
class TMirrorThread;
class TIdleTime;
class TQVIniFile;
struct TScanProgress;

// What a scan control works with; all outlive it.
struct TScanControlDeps {
  Platform& platform;
  TQVIniFile& ini;
  // The effective configuration: command-line options included, never saved.
  TConfigData& config;
  TLog& log;
  std::string settings_path;
  // The cache of the last input time, sampled while a scan runs hidden in
  // the tray; nullptr: nothing samples and a scan never pauses for input.
  TIdleTime* idle = nullptr;
};

// Starts, stops and repeats the scans of the window: the scan thread, the
// next-scan timer (with a wall-clock check once a minute, because the timer's
// clock stops while the machine sleeps), the update timer that pulls the
// progress, and the wake-up timer of a suspended scan. It tells the window
// what to show through its signals.
//
// Main thread only. A scan runs exactly while scanning() is true; the scan
// thread is joined only after its ScanEnded arrived.
class TScanControl : public QObject {
  Q_OBJECT

 public:
  explicit TScanControl(const TScanControlDeps& deps, QObject* parent = nullptr);
  // Ends a running scan without waiting for the event loop: the calls of
  // the scan thread answer at once from now on.
  ~TScanControl() override;

  // The scan that will start takes the /START mark.
  void set_started_with_start(bool start) { started_with_start_ = start; }
  // Hidden in the tray: no progress is pulled. Shown again: the progress is
  // drawn at once and then every second.
  void SetHiddenInTray(bool hidden);
  void SetMinimised(bool minimised) { front_end_.set_minimised(minimised); }
  // The wake-up timer of a suspended scan asks this often (tests shorten it).
  void set_wake_up_interval(int ms) { wake_up_.setInterval(ms); }

  void StartScan();
  // minutes -1 stops, 0 scans now, otherwise arms the next-scan timer.
  void StartTimer(int minutes, bool log_it);
  void ScheduleFromLastScan(int minimum);
  void Stop();
  // The user's answer to the question the scan waits for (confirmRequested);
  // ignored without a scan.
  void Answer(bool yes, uint16_t flags);
  // A close request (window, menu, signal): true when the window may close
  // now. During a scan the first request stops it and closes once it ended;
  // later ones change nothing.
  bool RequestClose();
  // A setting toggle changed the configuration: the running scan follows it
  // at once, and line is logged only while a scan runs.
  void ApplySwitches(const std::string& line);
  // The priority; a stopping scan keeps the priority that ends it soon.
  void ApplyPriority(const std::string& line);
  // The suspend time after user input, as ApplySwitches.
  void ApplySuspend(const std::string& line);
  // Wait changed: a running scan's end follows it; an armed timer is set
  // anew from the last scan, at least a minute on, unless Wait is -1 now
  // (it stays armed then); otherwise the start-timer button follows it.
  void WaitChanged();
  // Stops the running scan (scanning() only) for a change of configuration:
  // action runs once its thread has ended, before a pending close; without a close,
  // scheduling then resumes from the last scan unless Wait is -1.
  void StopFor(std::function<void()> action);
  // The once-a-minute comparison of the due time with the wall clock.
  void CheckDueTime();

  // How a scan ended, read from its thread after the join.
  struct TScanEnd {
    bool terminated = false;
    bool restart = false;  // a drive asked for another scan at once
    int errors = 0;
  };
  // What follows the end of a scan (no scan runs): a restart, the end of
  // scan, or the idle state and a pending close.
  void EndScan(const TScanEnd& end);

  TScanState state() const { return state_; }
  bool scanning() const { return thread_ != nullptr; }
  bool timer_armed() const { return next_scan_.isActive(); }
  int64_t timer_interval_ms() const { return next_scan_.interval(); }
  FileTime due() const { return due_; }
  FileTime last_scan() const { return last_scan_; }
  TGuiFrontEnd& front_end() { return front_end_; }
  bool update_timer_active() const { return update_.isActive(); }
  // The running mirror's paths and live counters; false while none runs.
  bool RunningMirror(TMirrorInfo* info) const;
  // Items done of the weighted total of the running scan; nullptr without one.
  const TScanProgress* scan_progress() const;
  // The current state as the window shows it.
  TScanStateView View() const;

 signals:
  void stateChanged();
  // A scan is about to start: what it scans is read again.
  void scanStarting();
  void statusText(const QString& text);
  // The gauge (done of total, clamped by the window) and the file count.
  void progress(qint64 done, qint64 total, qint64 count);
  // The window closes now (a pending close, or CloseWhenDone).
  void closeNow();
  // The scan waits for the user's Answer to question.
  void confirmRequested(const TConfirmQuestion& question);
  // The scan stops or ended: no answer is wanted any more.
  void questionDropped();
  // The update timer ticked (never while hidden in the tray), or the running
  // mirror is about to end: its counters are worth drawing.
  void countersDue();
  // The scan stored new counters of the mirror that owns archive_dir.
  void mirrorStatsChanged(const std::string& archive_dir);

 private:
  void SetState(TScanState state);
  void Log(const std::string& line);
  void UpdateTick();
  void Suspended(int64_t millis);
  void WakeUpTick();
  void Resume(bool announce);
  void ThreadEnded();
  void ScanFinished(bool logged_errors);
  void ArmNextScan(int64_t interval_ms);
  void UpdateIdleSampling();
  // The actions of StopFor, then the close or the resumed schedule.
  void RunPendingActions();

  Platform& platform_;
  TQVIniFile& ini_;
  TConfigData& config_;
  TLog& log_;
  const std::string settings_path_;
  TIdleTime* const idle_;

  TGuiFrontEnd front_end_;
  std::unique_ptr<TMirrorThread> thread_;
  TScanState state_ = TScanState::kIdle;
  bool started_with_start_ = false;
  bool hidden_in_tray_ = false;
  bool closing_requested_ = false;
  bool pending_close_ = false;
  std::vector<std::function<void()>> pending_actions_;
  FileTime scan_start_ = 0;
  FileTime last_scan_ = 0;
  FileTime due_ = 0;
  std::string next_scan_time_;

  QTimer next_scan_;
  QTimer due_check_;
  QTimer update_;
  QTimer wake_up_;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_SCAN_CONTROL_H_
