#include "ui/main_window/scan_control.h"

#include <utility>

#include "config/config_data.h"
#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "config/settings_db.h"
#include "engine/mirror_thread.h"
#include "engine/scan_done_text.h"
#include "filesys/platform.h"
#include "log/log_buffer.h"
#include "ui/idle/idle_time.h"
#include "ui/logic/schedule.h"

namespace qv {

namespace {

constexpr int kTickMs = 1000;

std::string EndText(bool terminated, int errors) {
  if (terminated) return "Scan stopped";
  if (errors == 0) return "Scan ended without errors";
  return "Scan ended with " + std::to_string(errors) + (errors == 1 ? " error" : " errors");
}

}  // namespace

TScanControl::TScanControl(const TScanControlDeps& deps, QObject* parent)
    : QObject(parent),
      platform_(deps.platform),
      ini_(deps.ini),
      config_(deps.config),
      log_(deps.log),
      settings_path_(deps.settings_path),
      idle_(deps.idle),
      front_end_(log_,
                 {[this](int64_t millis) { Suspended(millis); }, [this] { ThreadEnded(); },
                  [this](const TConfirmQuestion& question) { emit confirmRequested(question); },
                  [this] { emit countersDue(); },
                  [this](const std::string& archive_dir) { emit mirrorStatsChanged(archive_dir); }},
                 this) {
  last_scan_ = ini_.ReadLastScan().value_or(0);
  next_scan_.setSingleShot(true);
  connect(&next_scan_, &QTimer::timeout, this, &TScanControl::StartScan);
  due_check_.setInterval(static_cast<int>(kDueCheckIntervalMs));
  connect(&due_check_, &QTimer::timeout, this, &TScanControl::CheckDueTime);
  update_.setInterval(kTickMs);
  connect(&update_, &QTimer::timeout, this, &TScanControl::UpdateTick);
  wake_up_.setInterval(kTickMs);
  connect(&wake_up_, &QTimer::timeout, this, &TScanControl::WakeUpTick);
}

TScanControl::~TScanControl() {
  if (thread_ == nullptr) return;
  thread_->Terminate();
  front_end_.Shutdown();
  thread_->Join();
}

TScanStateView TScanControl::View() const {
  return ScanStateView(state_, config_.wait_minutes(), next_scan_time_);
}

void TScanControl::SetState(TScanState state) {
  state_ = state;
  emit stateChanged();
}

void TScanControl::Log(const std::string& line) { log_.AddLine(line, true); }

void TScanControl::ApplySwitches(const std::string& line) {
  if (thread_ == nullptr) return;
  thread_->SetSwitches(config_.switches);
  Log(line);
}

void TScanControl::ApplyPriority(const std::string& line) {
  if (thread_ == nullptr) return;
  if (state_ != TScanState::kStopping) thread_->SetPriority(config_.priority());
  Log(line);
}

void TScanControl::ApplySuspend(const std::string& line) {
  if (thread_ == nullptr) return;
  thread_->SetSuspendMillis(config_.suspend_millis());
  Log(line);
}

void TScanControl::WaitChanged() {
  if (thread_ != nullptr) return;
  if (!next_scan_.isActive()) return emit stateChanged();
  if (config_.wait_minutes() != -1) ScheduleFromLastScan(1);
}

void TScanControl::StopFor(std::function<void()> action) {
  pending_actions_.push_back(std::move(action));
  Stop();
}

void TScanControl::SetHiddenInTray(bool hidden) {
  hidden_in_tray_ = hidden;
  front_end_.set_hidden_in_tray(hidden);
  UpdateIdleSampling();
  if (hidden) return update_.stop();
  if (thread_ == nullptr) return;
  // What the hidden window did not draw, at once.
  UpdateTick();
  update_.start();
}

bool TScanControl::RunningMirror(TMirrorInfo* info) const {
  return thread_ != nullptr && thread_->current().Snapshot(info);
}

const TScanProgress* TScanControl::scan_progress() const {
  return thread_ == nullptr ? nullptr : &thread_->progress();
}

void TScanControl::UpdateIdleSampling() {
  // Only a scan hidden in the tray asks for the last input: the program
  // that waits in the tray all day asks nobody.
  if (idle_ != nullptr) idle_->SetSampling(hidden_in_tray_ && thread_ != nullptr);
}

void TScanControl::StartScan() {
  next_scan_.stop();
  due_check_.stop();
  if (thread_ != nullptr) return;
  emit scanStarting();
  SetState(TScanState::kScanning);
  scan_start_ = platform_.Now();
  emit progress(0, 1, 0);
  log_.ClearLog();
  log_.DeferLastLog();
  TScanOptions options;
  options.settings_path = settings_path_;
  options.started_with_start = started_with_start_;
  thread_ = std::make_unique<TMirrorThread>(platform_, config_, options, front_end_);
  // Sampled before the thread's first check, which reads the cache.
  UpdateIdleSampling();
  thread_->Start();
  if (!hidden_in_tray_) update_.start();
}

void TScanControl::StartTimer(int minutes, bool log_it) {
  next_scan_.stop();
  due_check_.stop();
  const TTimerPlan plan = PlanTimer(minutes, platform_.Now());
  if (plan.action == TTimerPlan::TAction::kStop) return Stop();
  if (plan.action == TTimerPlan::TAction::kScanNow) return StartScan();
  due_ = plan.due;
  ArmNextScan(plan.interval_ms);
  due_check_.start();
  next_scan_time_ = TimeOfDayText(platform_.ToLocalTime(due_));
  SetState(TScanState::kWaiting);
  if (log_it) Log(NextScanLogLine(next_scan_time_));
}

void TScanControl::ArmNextScan(int64_t interval_ms) {
  next_scan_.start(static_cast<int>(interval_ms));
}

void TScanControl::ScheduleFromLastScan(int minimum) {
  StartTimer(MinutesFromLastScan(config_.wait_minutes(), minimum, last_scan_, platform_.Now()),
             false);
}

void TScanControl::CheckDueTime() {
  if (!next_scan_.isActive()) return due_check_.stop();
  const TDueCheck check = CheckDue(due_, platform_.Now());
  if (check.fire) return StartScan();
  // The machine slept: the timer's clock stood still meanwhile.
  if (check.remaining_ms < next_scan_.remainingTime()) ArmNextScan(check.remaining_ms);
}

void TScanControl::Stop() {
  const bool was_armed = next_scan_.isActive();
  next_scan_.stop();
  due_check_.stop();
  if (thread_ == nullptr) {
    SetState(TScanState::kIdle);
    if (was_armed) Log("Stopped timer");
    return;
  }
  if (state_ == TScanState::kStopping) return;
  SetState(TScanState::kStopping);
  Log("");
  Log("Terminating scanner...");
  Log("");
  // Also ends a suspension, so that the thread can reach its end.
  thread_->Terminate();
  wake_up_.stop();
  emit questionDropped();
}

void TScanControl::Answer(bool yes, uint16_t flags) {
  if (thread_ != nullptr) thread_->Answer(yes, flags);
}

bool TScanControl::RequestClose() {
  if (thread_ == nullptr) return true;
  if (closing_requested_) return false;
  closing_requested_ = true;
  pending_close_ = true;
  Stop();
  return false;
}

void TScanControl::UpdateTick() {
  if (hidden_in_tray_ || thread_ == nullptr) return update_.stop();
  const TScanProgress& counts = thread_->progress();
  const int64_t done = counts.items_done;
  emit progress(done, counts.weighted_total, done + counts.items_outside);
  std::string text;
  if (thread_->mailbox().Take(&text)) emit statusText(QString::fromStdString(text));
  emit countersDue();
}

void TScanControl::Suspended(int64_t millis) {
  emit statusText("Resuming scan in " + QString::number(millis / 1000) + " seconds");
  SetState(TScanState::kSuspended);
  wake_up_.start();
}

void TScanControl::WakeUpTick() {
  if (thread_ == nullptr) return wake_up_.stop();
  if (!thread_->IsSuspended()) return;
  if (thread_->IsTerminated()) return Resume(false);
  const int64_t wanted = config_.suspend_millis();
  int64_t idle = 0;
  // Without the time of the last input the scan goes on at the first tick.
  if (hidden_in_tray_ && platform_.MillisSinceLastInput(&idle).ok() && idle < wanted) {
    emit statusText("Resuming scan in " + QString::number((wanted - idle) / 1000) + " seconds");
    return;
  }
  Resume(true);
}

void TScanControl::Resume(bool announce) {
  wake_up_.stop();
  emit statusText("Resumed scan");
  if (announce) SetState(TScanState::kScanning);
  thread_->Resume();
}

void TScanControl::ThreadEnded() {
  emit questionDropped();
  thread_->Join();
  const TScanEnd end{thread_->IsTerminated(), thread_->restart(), thread_->error_count()};
  if (!end.terminated) {
    const TScanProgress& counts = thread_->progress();
    const int64_t done = counts.items_done;
    emit progress(done, done, done + counts.items_outside);
  }
  thread_.reset();
  UpdateIdleSampling();
  EndScan(end);
}

void TScanControl::EndScan(const TScanEnd& end) {
  update_.stop();
  wake_up_.stop();
  emit statusText(QString());
  last_scan_ = platform_.Now();
  if (!end.terminated && !pending_close_) {
    if (end.restart) {
      Log("Restarting scanner.");
      // The next scan empties the log: what this one logged last is saved first.
      log_.SaveLog(false);
      return StartScan();
    }
    ScanFinished(end.errors > 0);
    emit statusText(QString::fromStdString(EndText(false, end.errors)));
    return;
  }
  log_.SaveLog(false);
  log_.StoreLastLog();
  SetState(TScanState::kIdle);
  emit statusText(QString::fromStdString(EndText(end.terminated, end.errors)));
  RunPendingActions();
}

void TScanControl::RunPendingActions() {
  const bool resume = !pending_actions_.empty();
  for (std::function<void()>& action : std::exchange(pending_actions_, {})) action();
  if (pending_close_) {
    pending_close_ = false;
    closing_requested_ = false;
    emit closeNow();
    return;
  }
  // A stop for a change of configuration does not end repeated scanning.
  if (resume && config_.wait_minutes() != -1) ScheduleFromLastScan(1);
}

void TScanControl::ScanFinished(bool logged_errors) {
  {
    // The scan's end and its log's name in one commit. A scan whose end
    // time cannot be stored is still done.
    TSettingsTransaction transaction(ini_.db());
    (void)ini_.WriteLastScan(last_scan_);
    Log(ScanDoneText(scan_start_, last_scan_));
    log_.SaveLog(false);
    log_.StoreLastLog();
    (void)transaction.Commit();
  }
  if (config_.switches.close_when_done) {
    SetState(TScanState::kIdle);
    emit closeNow();
    return;
  }
  StartTimer(MinutesAfterScan(config_.wait_minutes(), logged_errors, scan_start_, last_scan_),
             true);
}

}  // namespace qv
