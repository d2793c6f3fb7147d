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
#include "engine/mirror_thread.h"
#include "engine/scan_done_text.h"
#include "filesys/console.h"
#include "filesys/platform.h"
#include "log/log_buffer.h"

namespace qv {

namespace {

// The main thread looks for the end, a stop signal and new progress this
// often, so the progress line is drawn at most ten times a second.
constexpr std::chrono::milliseconds kTick{100};

constexpr char kNoTerminal[] =
    "Confirm is on, and updates can be confirmed only with standard input and standard error "
    "on a terminal (to scan without asking: quorvane-cli set Confirm false)";

class THeadlessScan {
 public:
  THeadlessScan(TCommandContext& context, TQVIniFile& ini, const TConfigData& config,
                const TScanChoice& choice)
      : context_(context),
        ini_(ini),
        config_(config),
        options_{.settings_path = context.settings_path(),
                 .busy_timeout_ms = context.busy_timeout_ms(),
                 .destinations = choice.destinations},
        whole_(choice.whole),
        log_(context.platform(), ini),
        output_(context.out(), context.err(), context.console()),
        front_end_(log_, output_, context.console()) {}

  int Run() {
    {
      TStopSignalScope signals(context_.console());
      while (RunOnce()) {
      }
      output_.Finish();
    }
    if (stopped_) return kExitStopped;
    return errors_ || front_end_.log_save_failed() ? kExitScanErrors : kExitOk;
  }

 private:
  // One scan from the emptied log to its last save; answers whether a drive
  // asked for the scan to run again.
  bool RunOnce() {
    Platform& platform = context_.platform();
    log_.ClearLog();
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
  TLog log_;
  TTerminalOutput output_;
  THeadlessFrontEnd front_end_;
  bool errors_ = false;
  bool stopped_ = false;
};

// One scan of the chosen mirrors, handled at its end as the window handles
// it, and again at once when a destination drive asks for it.
int Scan(TCommandContext& context, const std::vector<std::string>& typed, bool plan, bool json) {
  if (plan) context.CopyStoreToMemory();
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TConfigData config;
  if (!config.Load(*ini)) return context.Fail(ini->FailureText());
  TScanChoice choice;
  if (const int status = ChooseMirrors(context, *ini, typed, &choice); status != kExitOk) {
    return status;
  }
  if (plan) return PlanScan(context, *ini, config, choice, json);
  TConsole& console = context.console();
  if (config.switches.confirm && !(console.InputIsTerminal() && console.ErrorIsTerminal())) {
    return context.Fail(kNoTerminal);
  }
  THeadlessScan scan(context, *ini, config, choice);
  return scan.Run();
}

}  // namespace

void AddScanCommand(TCommandRegistry& registry) {
  auto destinations = std::make_shared<std::vector<std::string>>();
  auto plan = std::make_shared<bool>(false);
  auto json = std::make_shared<bool>(false);
  CLI::App* scan = registry.AddCommand(
      &registry.app(), "scan",
      "Bring every enabled mirror, or those to the DESTINATIONs given, up to date now",
      [destinations, plan, json](TCommandContext& context) {
        return Scan(context, *destinations, *plan, *json);
      });
  scan->footer(
      "Mirrors are scanned in the order of mirror list. Exit status:\n"
      "  0  the scan is complete and logged no error\n"
      "  1  errors were logged (a mirror held back, or locked by another scan, among them),\n"
      "     or a log file could not be saved\n"
      "  2  the scan could not run: no mirror or none enabled, a DESTINATION that is no\n"
      "     enabled mirror's, unreadable settings, bad arguments, or Confirm on without a\n"
      "     terminal\n"
      "  3  it was stopped before its end by a signal or a terminate answer");
  scan->add_option("DESTINATION", *destinations,
                   "Destination of a mirror to scan; several may be given");
  scan->add_flag("--plan", *plan,
                 "Change nothing: list what the scan would do, each line behind \"plan: \", and "
                 "what it would copy, archive and remove per mirror and in total");
  scan->add_flag("--json", *json, "With --plan: one JSON record a line")->needs("--plan");
}

}  // namespace qv
