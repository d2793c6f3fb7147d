#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "cli/headless_front_end.h"
#include "cli/plan_scan.h"
#include "cli/scan_choice.h"
#include "cli/stop_signal_scope.h"
#include "cli/terminal_output.h"
#include "config/config_data.h"
#include "config/qv_ini_file.h"
#include "config/settings_db.h"
#include "engine/mirror_thread.h"
#include "engine/scan_done_text.h"
#include "filesys/console.h"
#include "filesys/platform.h"
#include "filesys/text_format.h"
#include "log/log_buffer.h"

namespace qv {

namespace {

// The main thread looks for the end, a stop signal and new progress this
// often, so the progress line is drawn at most ten times a second.
constexpr std::chrono::milliseconds kTick{100};

constexpr char kNoTerminal[] =
    "Confirm is on, and updates can be confirmed only with standard input and standard error "
    "on a terminal (to scan without asking: quorvane-cli set Confirm false)";

// Nobody answers a quiet scan: it goes on as the scan does with Confirm off,
// and says so where cron or the journal shows it.
constexpr char kNobodyToAsk[] =
    "quorvane-cli: warning: Confirm is on, but a quiet scan has nobody to ask: every update goes "
    "ahead as with Confirm off (to end this warning: quorvane-cli set Confirm false)";

// The last line of a quiet scan that ends with errors or stopped, naming the
// log files that hold the errors (a mirror that cannot start its own log
// writes into the one before), else the last log.
std::string QuietSummary(int errors, const std::vector<std::string>& error_logs, bool stopped,
                         const std::string& last_log) {
  std::string text = "quorvane-cli: ";
  if (stopped) text += errors > 0 ? "stopped before its end with " : "stopped before its end";
  if (errors > 0) text += CountText(errors, "error", "errors");
  if (!stopped && errors == 0) text += "the scan failed";
  std::vector<std::string> logs = error_logs;
  if (logs.empty() && !last_log.empty()) logs.push_back(last_log);
  if (logs.empty()) return text;
  text += logs.size() == 1 ? "; see the log " : "; see the logs ";
  for (size_t i = 0; i < logs.size(); ++i) text += (i > 0 ? ", " : "") + logs[i];
  return text;
}

// How the scan command was asked to run.
struct TScanFlags {
  bool plan = false;
  bool json = false;
  bool quiet = false;
  bool no_read_ahead = false;
};

class THeadlessScan {
 public:
  THeadlessScan(TCommandContext& context, TQVIniFile& ini, const TConfigData& config,
                const TScanChoice& choice, const TScanFlags& flags)
      : context_(context),
        ini_(ini),
        config_(config),
        options_{.settings_path = context.settings_path(),
                 .busy_timeout_ms = context.busy_timeout_ms(),
                 .destinations = choice.destinations,
                 .read_ahead = !flags.no_read_ahead},
        whole_(choice.whole),
        quiet_(flags.quiet),
        log_(context.platform(), ini),
        output_(context.out(), context.err(), context.console(), flags.quiet),
        front_end_(log_, output_, context.console()) {}

  // nobody_to_ask: Confirm is on, but the scan runs with it off.
  int Run(bool nobody_to_ask) {
    if (nobody_to_ask) output_.Notice(kNobodyToAsk, TLineKind::kWarning);
    {
      TStopSignalScope signals(context_.console());
      while (RunOnce()) {
      }
      output_.Finish();
    }
    const int status = stopped_                                  ? kExitStopped
                       : errors_ || front_end_.log_save_failed() ? kExitScanErrors
                                                                 : kExitOk;
    if (quiet_ && status != kExitOk) {
      output_.Notice(
          QuietSummary(output_.error_lines(), output_.error_logs(), stopped_, log_.file_name()),
          TLineKind::kError);
    }
    return status;
  }

 private:
  // One scan from the emptied log to its last save; answers whether a drive
  // asked for the scan to run again.
  bool RunOnce() {
    Platform& platform = context_.platform();
    log_.ClearLog();
    log_.DeferLastLog();
    const FileTime start = platform.Now();
    TMirrorThread thread(platform, config_, options_, front_end_);
    front_end_.Attach(thread);
    thread.Start();
    while (!front_end_.WaitForEnd(kTick)) {
      if (context_.console().TakeStopSignal()) front_end_.Stop();
      front_end_.ShowProgress();
    }
    thread.Join();
    if (thread.error_count() > 0) errors_ = true;
    stopped_ = thread.stopped();
    const bool again = !thread.IsTerminated() && thread.restart();
    // The scan's end and its log's name in one commit of the store.
    TSettingsTransaction transaction(ini_.db());
    if (again) {
      log_.AddLine("Restarting scanner.", true);
    } else if (!stopped_) {
      const FileTime end = platform.Now();
      // As the window: a scan whose time cannot be kept is still done. A
      // scan of some mirrors leaves the others' schedule alone.
      if (whole_) (void)ini_.WriteLastScan(end);
      log_.AddLine(ScanDoneText(start, end), true);
    }
    // The lines after the last mirror's save (the summary) go into its file.
    // What could not be saved in an archive goes to standard error rather
    // than nowhere: standard output may be discarded.
    if (!log_.SaveLog(false)) ShowUnsaved();
    log_.StoreLastLog();
    (void)transaction.Commit();
    return again;
  }

  void ShowUnsaved() {
    std::string unsaved = log_.text().substr(log_.saved_count());
    if (unsaved.starts_with('\n')) unsaved.erase(0, 1);
    output_.Notice(unsaved);
  }

  TCommandContext& context_;
  TQVIniFile& ini_;
  const TConfigData& config_;
  const TScanOptions options_;
  const bool whole_;
  const bool quiet_;
  TLog log_;
  TTerminalOutput output_;
  THeadlessFrontEnd front_end_;
  bool errors_ = false;
  bool stopped_ = false;
};

// One scan of the chosen mirrors, handled at its end as the window handles
// it, and again at once when a destination drive asks for it.
int Scan(TCommandContext& context, const std::vector<std::string>& typed, const TScanFlags& flags) {
  const bool plan = flags.plan;
  if (plan) context.CopyStoreToMemory();
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TConfigData config;
  if (!config.Load(*ini)) return context.Fail(ini->FailureText());
  TScanChoice choice;
  if (const int status = ChooseMirrors(context, *ini, typed, &choice); status != kExitOk) {
    return status;
  }
  if (plan) return PlanScan(context, *ini, config, choice, flags.json);
  TConsole& console = context.console();
  const bool nobody_to_ask = flags.quiet && config.switches.confirm;
  if (nobody_to_ask) {
    config.switches.confirm = false;
  } else if (config.switches.confirm && !(console.InputIsTerminal() && console.ErrorIsTerminal())) {
    return context.Fail(kNoTerminal);
  }
  THeadlessScan scan(context, *ini, config, choice, flags);
  return scan.Run(nobody_to_ask);
}

}  // namespace

void AddScanCommand(TCommandRegistry& registry) {
  auto destinations = std::make_shared<std::vector<std::string>>();
  auto flags = std::make_shared<TScanFlags>();
  CLI::App* scan = registry.AddCommand(
      &registry.app(), "scan",
      "Bring every enabled mirror, or those to the DESTINATIONs given, up to date now",
      [destinations, flags](TCommandContext& context) {
        return Scan(context, *destinations, *flags);
      });
  scan->footer(
      "Mirrors are scanned in the order of mirror list. Exit status:\n"
      "  0  the scan is complete and logged no error\n"
      "  1  errors were logged (a mirror held back, or locked by another scan, among them),\n"
      "     or a log file could not be saved\n"
      "  2  the scan could not run: no mirror or none enabled, a DESTINATION that is no\n"
      "     enabled mirror's, unreadable settings, bad arguments, or Confirm on without a\n"
      "     terminal (unless --quiet)\n"
      "  3  it was stopped before its end by a signal or a terminate answer");
  scan->add_option("DESTINATION", *destinations,
                   "Destination of a mirror to scan; several may be given");
  scan->add_flag("--plan", flags->plan,
                 "Change nothing: list what the scan would do, each line behind \"plan: \", and "
                 "what it would copy, archive and remove per mirror and in total");
  scan->add_flag("--json", flags->json, "With --plan: one JSON record a line")->needs("--plan");
  scan->add_flag("--quiet", flags->quiet,
                 "For cron and timers: nothing on standard output, no progress line; error lines "
                 "go to standard error as they come, with one summary line after them when the "
                 "status is 1 or 3; the log files keep everything. With Confirm on, nobody is "
                 "asked: updates go ahead as with Confirm off, after a warning")
      ->excludes("--plan");
  scan->add_flag("--no-read-ahead", flags->no_read_ahead,
                 "Read every directory only when the scan gets there, not ahead of it on "
                 "threads of its own (slower; for comparing, and for file systems that mind)")
      ->excludes("--plan");
}

}  // namespace qv
