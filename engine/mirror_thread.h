#ifndef QUORVANE_ENGINE_MIRROR_THREAD_H_
#define QUORVANE_ENGINE_MIRROR_THREAD_H_

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/config_data.h"
#include "config/settings_db.h"
#include "engine/current_mirror.h"
#include "engine/live_switches.h"
#include "engine/logger_mirror_thread.h"
#include "engine/scan_gate.h"
#include "engine/scan_progress.h"
#include "engine/status_mailbox.h"

namespace qv {

class Platform;
class TFrontEnd;
class TMirrors;
class TQVIniFile;

// What the owner of the scans tells one scan besides the general settings.
struct TScanOptions {
  std::string settings_path;  // the scan opens its own connection to the store
  int busy_timeout_ms = kDefaultBusyTimeoutMs;
  // The registry backup mode: 0 never, 1 every scan, 2 once per program run
  // started with /START, 3 only the backup and no mirror. No system hives
  // exist on POSIX, so the front ends pass 0 there.
  int backup_registry = 0;
  bool started_with_start = false;
  // A backup already ran during this program run (the owner keeps it across
  // scans; see TMirrorThread::registry_backed_up()).
  bool registry_backed_up = false;
  // The mirrors to scan, by destination as stored (ending with "/"), in
  // configuration order whatever the order here; empty: every enabled one.
  std::vector<std::string> destinations = {};
  // A plan works on a memory copy of the store, so nothing reaches the file.
  TStoreAccess store_access = TStoreAccess::kFile;
  // Listings are read ahead of each mirror's walk (TScanContext::read_ahead).
  bool read_ahead = true;
};

struct TBackupDecision {
  bool backup = false;  // run the registry backup before the mirrors
  bool only = false;    // and no mirror
};
TBackupDecision DecideRegistryBackup(int mode, bool registry_backed_up, bool started_with_start);

// One scan on a thread of its own: the priority, the privileges, the general
// settings, the store, the optional registry backup, the mirrors of every
// enabled mapping, and the error summary. While a mirror walks its trees, a
// second thread or two (TListingReadAhead) read the listings it needs next;
// they never log, count or change anything. The owner calls Start() once and
// joins (Join or the destructor) after the front end's ScanEnded().
//
// The scan stops cooperatively: Terminate() sets a flag that the engine tests
// before each mirror, directory and update. The scan thread suspends itself
// after user input and while a question waits for its answer; only the front
// end resumes it (Resume, Answer) or Terminate.
class TMirrorThread {
 public:
  TMirrorThread(Platform& platform, const TConfigData& config, const TScanOptions& options,
                TFrontEnd& front_end);
  // Terminates and joins a scan that still runs.
  ~TMirrorThread();
  TMirrorThread(const TMirrorThread&) = delete;
  TMirrorThread& operator=(const TMirrorThread&) = delete;

  void Start();
  void Join();

  // ---- Front end side: any thread but the scan thread.
  // Also raises the priority to at least "Normal" and ends a suspension.
  void Terminate();
  // Ends a suspension after user input.
  void Resume();
  // The answer to the waiting question (see TFrontEnd::PrepareConfirm):
  // flags is the question's flags word with the answer's scope applied.
  // Ignored when no question waits.
  void Answer(bool yes, uint16_t flags);
  // Takes effect at the scan thread's next check, before its next mirror,
  // directory or update.
  void SetPriority(int priority_index);
  // The log switches and Confirm (the others of switches are ignored), and
  // the idle time after user input: the scan reads them at its next file;
  // Confirm at its next mirror.
  void SetSwitches(const TConfigSwitches& switches) { live_.Set(switches); }
  void SetSuspendMillis(int millis) { live_.SetSuspendMillis(millis); }
  // The scan waits after user input, from just before ArmWakeUpTimer until
  // Resume or Terminate. A scan waiting for an answer is not suspended.
  bool IsSuspended();
  TStatusMailbox& mailbox() { return mailbox_; }
  TCurrentMirror& current() { return current_; }
  const TScanProgress& progress() const { return progress_; }

  // ---- After Join.
  // Space ran short and a drive now has enough again: scan again.
  bool restart() const { return restart_; }
  // The owner's RegistryBackedUp after this scan.
  bool registry_backed_up() const { return registry_backed_up_; }
  int error_count() const { return logger_.ErrorCount(); }
  // The scan was stopped before its end: "Scanner terminated" closed its
  // summary. A stop that comes after the summary leaves the scan complete.
  bool stopped() const { return stopped_; }

  // ---- Scan thread side.
  bool IsTerminated() const { return terminate_.load(); }
  // Suspends while the front end is hidden in the tray and the user touched
  // the machine more recently than the configured idle time. False when
  // terminated.
  bool CheckSuspend();
  // Puts a question to the user (the gate's fallback when the flags do not
  // answer it). A No is logged as a declined confirmation and counts as an
  // error; kConfirmTerminate in the answer terminates the scan.
  bool ConfirmUpdate(const std::string& question, const std::string& source,
                     const std::string& destination, uint16_t* flags, const std::string& extra);
  TLogger& logger() { return logger_; }

 private:
  void Execute();
  void Scan();
  void RunMirrors(TQVIniFile& ini);
  void WriteSummary(TMirrors* mirrors);
  void ApplyPriority();
  void SuspendForInput(int64_t millis);
  // The user's answer; nullopt when the scan was terminated before it came.
  std::optional<bool> Ask(const std::string& question, const std::string& source,
                          const std::string& destination, const std::string& extra,
                          uint16_t* flags);

  Platform& platform_;
  const TConfigData config_;
  const TScanOptions options_;
  const TBackupDecision backup_;
  TFrontEnd& front_end_;
  TLoggerMirrorThread logger_;
  TScanGate gate_;
  TStatusMailbox mailbox_;
  TCurrentMirror current_;
  TScanProgress progress_;
  TLiveSwitches live_;

  std::atomic<bool> terminate_{false};
  std::atomic<int> wanted_priority_;
  int applied_priority_ = -1;  // scan thread only

  std::mutex mu_;
  std::condition_variable wake_;  // suspended_ or awaiting_answer_ ended, or terminate_
  bool suspended_ = false;        // GUARDED_BY(mu_)
  bool awaiting_answer_ = false;  // GUARDED_BY(mu_)
  bool answer_yes_ = false;       // GUARDED_BY(mu_)
  uint16_t answer_flags_ = 0;     // GUARDED_BY(mu_)

  bool restart_ = false;
  bool stopped_ = false;
  bool registry_backed_up_;
  std::thread thread_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_MIRROR_THREAD_H_
