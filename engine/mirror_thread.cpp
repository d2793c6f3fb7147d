#include "engine/mirror_thread.h"

#include <cerrno>
#include <exception>

#include "archive/dest_disks.h"
#include "archive/registry_backup.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "engine/front_end.h"
#include "engine/mirrors.h"
#include "engine/scan_context.h"
#include "filesys/platform.h"
#include "filesys/security.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

constexpr int kPriorityNormal = 3;

}  // namespace

TBackupDecision DecideRegistryBackup(int mode, bool registry_backed_up, bool started_with_start) {
  TBackupDecision decision;
  decision.backup =
      mode == 1 || mode == 3 || (mode == 2 && !registry_backed_up && started_with_start);
  decision.only = mode == 3;
  return decision;
}

TMirrorThread::TMirrorThread(Platform& platform, const TConfigData& config,
                             const TScanOptions& options, TFrontEnd& front_end)
    : platform_(platform),
      config_(config),
      options_(options),
      backup_(DecideRegistryBackup(options.backup_registry, options.registry_backed_up,
                                   options.started_with_start)),
      front_end_(front_end),
      logger_(*this, front_end),
      gate_(*this),
      live_(config),
      wanted_priority_(config.priority()),
      registry_backed_up_(options.registry_backed_up) {}

TMirrorThread::~TMirrorThread() {
  if (thread_.joinable()) Terminate();
  Join();
}

void TMirrorThread::Start() {
  thread_ = std::thread([this] { Execute(); });
}

void TMirrorThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TMirrorThread::Terminate() {
  int priority = wanted_priority_.load();
  while (priority < kPriorityNormal &&
         !wanted_priority_.compare_exchange_weak(priority, kPriorityNormal)) {
  }
  std::lock_guard<std::mutex> lock(mu_);
  terminate_ = true;
  wake_.notify_all();
}

void TMirrorThread::Resume() {
  std::lock_guard<std::mutex> lock(mu_);
  suspended_ = false;
  wake_.notify_all();
}

void TMirrorThread::Answer(bool yes, uint16_t flags) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!awaiting_answer_) return;
  awaiting_answer_ = false;
  answer_yes_ = yes;
  answer_flags_ = flags & static_cast<uint16_t>(~kConfirmWaiting);
  wake_.notify_all();
}

void TMirrorThread::SetPriority(int priority_index) { wanted_priority_ = priority_index; }

bool TMirrorThread::IsSuspended() {
  std::lock_guard<std::mutex> lock(mu_);
  return suspended_;
}

void TMirrorThread::ApplyPriority() {
  const int wanted = wanted_priority_.load();
  if (wanted == applied_priority_) return;
  applied_priority_ = wanted;
  // A refused raise leaves the thread where it was; the scan goes on.
  static_cast<void>(platform_.SetThreadPriority(wanted));
}

bool TMirrorThread::CheckSuspend() {
  ApplyPriority();
  if (IsTerminated()) return false;
  const int64_t idle_wanted = live_.suspend_millis();
  if (idle_wanted >= 1 && front_end_.IsHiddenInTray()) {
    int64_t idle = 0;
    // Without the service no input is ever seen.
    if (platform_.MillisSinceLastInput(&idle).ok() && idle < idle_wanted) {
      SuspendForInput(idle_wanted - idle);
    }
  }
  ApplyPriority();
  return !IsTerminated();
}

void TMirrorThread::SuspendForInput(int64_t millis) {
  // Suspended before the timer is armed, so that a resume that comes at once
  // is not lost.
  {
    std::lock_guard<std::mutex> lock(mu_);
    suspended_ = true;
  }
  front_end_.ArmWakeUpTimer(millis);
  std::unique_lock<std::mutex> lock(mu_);
  wake_.wait(lock, [this] { return !suspended_ || terminate_; });
  suspended_ = false;
}

bool TMirrorThread::ConfirmUpdate(const std::string& question, const std::string& source,
                                  const std::string& destination, uint16_t* flags,
                                  const std::string& extra) {
  uint16_t work = *flags & static_cast<uint16_t>(~kConfirmWaiting);
  // Nobody is asked once an answer covers the rest of the scope.
  std::optional<bool> yes = (work & kConfirmDefaultYes) != 0;
  if ((work & kConfirmAsk) != 0) yes = Ask(question, source, destination, extra, &work);
  *flags = work;
  if (!yes.has_value()) return false;  // terminated while waiting: the mirror reports that
  if (!*yes) logger_.LogSysError(ECANCELED, question);
  if ((work & kConfirmTerminate) != 0) Terminate();
  return *yes;
}

std::optional<bool> TMirrorThread::Ask(const std::string& question, const std::string& source,
                                       const std::string& destination, const std::string& extra,
                                       uint16_t* flags) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    awaiting_answer_ = true;
  }
  const bool now = front_end_.PrepareConfirm(question, source, destination, extra, flags);
  std::unique_lock<std::mutex> lock(mu_);
  if ((*flags & kConfirmWaiting) == 0) {
    awaiting_answer_ = false;
    return now;
  }
  lock.unlock();
  mailbox_.Put("Suspended mirror awaiting confirmation (Click here for dialog)");
  lock.lock();
  wake_.wait(lock, [this] { return !awaiting_answer_ || terminate_; });
  std::optional<bool> answer;
  if (awaiting_answer_) {
    awaiting_answer_ = false;
    *flags &= static_cast<uint16_t>(~kConfirmWaiting);
  } else {
    answer = answer_yes_;
    *flags = answer_flags_;
  }
  lock.unlock();
  mailbox_.Put("Resumed scan");
  return answer;
}

void TMirrorThread::Execute() {
  ApplyPriority();
  try {
    logger_.LogLine("Scan started");
    Scan();
  } catch (const std::exception& error) {
    logger_.LogError(error.what());
  } catch (...) {
    logger_.LogError("Unknown exception");
  }
  front_end_.ScanEnded();
}

void TMirrorThread::Scan() {
  if (!logger_.CheckSuspend()) return WriteSummary(nullptr);
  // Nothing to restore afterwards on POSIX: capabilities are not switched.
  EnablePrivileges(platform_, logger_);
  config_.LogSettings(logger_);
  TQVIniFile ini(platform_, options_.settings_path, options_.busy_timeout_ms,
                 options_.store_access);
  // A store that cannot be read ends the scan before anything else reads it.
  if (!ini.CheckStore(logger_)) return WriteSummary(nullptr);
  if (backup_.backup && BackupRegistry(ini, logger_)) registry_backed_up_ = true;
  if (logger_.IsTerminated()) return WriteSummary(nullptr);
  if (backup_.only) {
    logger_.LogLine("Skipped mirrors because backup registry only specified");
    return WriteSummary(nullptr);
  }
  RunMirrors(ini);
}

void TMirrorThread::RunMirrors(TQVIniFile& ini) {
  // Declared in this order so that the mirrors, whose archives registered
  // with the disks, go first.
  TDestDisks disks(platform_);
  TMappings mappings(ini);
  TScanContext context{platform_, ini,       live_,    mappings,           disks,
                       gate_,     progress_, current_, options_.read_ahead ? TReaderPool{} : TReaderPool{.count = 0}};
  TMirrors mirrors(context);
  if (mirrors.Load(logger_, options_.destinations) && !logger_.IsTerminated()) {
    mirrors.Run(logger_);
    if (!logger_.IsTerminated()) restart_ = disks.AnyDiskCanRestart(logger_);
  }
  WriteSummary(&mirrors);
}

void TMirrorThread::WriteSummary(TMirrors* mirrors) {
  logger_.LogEmpty();
  if (mirrors != nullptr) mirrors->LogSummary(logger_);
  const int errors = logger_.ErrorCount();
  if (errors != 0) {
    logger_.LogLine("Logged " + CountText(errors, "error", "errors") +
                    " for all mirrors during this scan");
  } else if (mirrors != nullptr) {
    logger_.LogLine("Logged no errors during this scan");
  }
  stopped_ = IsTerminated();
  if (stopped_) logger_.LogLine("Scanner terminated");
}

}  // namespace qv
