// A mirror's run from start to end, and what the scan reads of it.
#include "engine/mirror.h"

#include <algorithm>
#include <limits>

#include "archive/confirm_gate.h"
#include "config/config_data.h"
#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "engine/current_mirror.h"
#include "engine/live_switches.h"
#include "engine/scan_context.h"
#include "engine/scan_progress.h"
#include "filesys/file_ops.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

// While a mirror runs it is the scan's current one, and nothing below its
// roots is reached through a symbolic link.
class TRunScope {
 public:
  TRunScope(TScanContext& context, const TMirror& mirror) : context_(context) {
    context_.current.Set(&mirror);
    context_.platform.ConfineTo({mirror.source_path(), mirror.dest_path()});
  }
  ~TRunScope() {
    context_.platform.ConfineTo({});
    context_.current.Clear();
  }
  TRunScope(const TRunScope&) = delete;
  TRunScope& operator=(const TRunScope&) = delete;

 private:
  TScanContext& context_;
};

}  // namespace

TMirror::TMirror(TScanContext& context, TMapping& mapping)
    : context_(context),
      changes_(context.platform),
      writes_(changes_, mapping.destination()),
      platform_(writes_),
      mapping_(mapping),
      source_(writes_, context.ini, mapping),
      dest_(writes_, context.ini, mapping, context.disks, context.gate),
      weights_(mapping.source()),
      copier_(writes_),
      guard_(context.platform, context.ini, mapping) {
  writes_.on_lost = [this] { dest_.Cancel(); };
}

int32_t TMirror::Weight() const {
  const int64_t weight = source_.GetWeight() + dest_.GetWeight() + 1;
  return static_cast<int32_t>(std::min<int64_t>(weight, std::numeric_limits<int32_t>::max()));
}

void TMirror::Run(TWideStringList<>& scan_filters, TLogger& logger, bool* confirm,
                  bool* default_answer) {
  logger_ = &logger;
  at_start_ = context_.switches.Get();
  start_errors_ = logger.ErrorCount();
  if (!logger.CheckSuspend()) return;
  uint16_t flags = *default_answer ? kConfirmDefaultYes : 0;
  if (*confirm) flags |= kConfirmAsk | kConfirmDirScope | kConfirmMirrorScope;
  title_ = "mirror from " + source_path() + " to " + dest_path();
  refusals_ = context_.ini.db().refusals();
  {
    TRunScope scope(context_, *this);
    RunMirror(scan_filters, &flags);
    SaveRunEnd();
    CheckStoreWrites();
    dest_.archive().lock().Release();
    logger.UpdateCurrentMirrorStats();
  }
  if (*confirm && (flags & kConfirmMirrorScope) == 0) {
    *default_answer = (flags & kConfirmDefaultYes) != 0;
    *confirm = false;
  }
}

void TMirror::RunMirror(TWideStringList<>& scan_filters, uint16_t* flags) {
  TDirToProcess root;
  // Nothing of the destination is read or changed before its lock is held.
  const bool root_ok = CheckDestRoot(&root.dest_attributes);
  locked_out_ = root_ok && !dest_.archive().lock().Take(log());
  if (!root_ok || locked_out_ || !guard_.Check(log())) {
    log().LogLine("Canceling the " + title_);
    return;
  }
  root.source = source_path();
  root.dest = dest_path();
  root.entry = TFoundFile(guard_.source_root());
  if (platform_.Stat(root.dest, &root.dest_found).ok()) OpenDestDir(root);
  if (!dest_.archive().OpenArchive(flags, log())) {
    log().LogLine("Canceling the " + title_);
    SettleDestDir(root);
    return;
  }
  guard_.NoteArchive(dest_path() + kArchiveDirName + kSep);
  WalkMirror(root, scan_filters, flags);
}

// The root settles in Finish, before the lines that report on the mirror;
// here when no walk starts.
void TMirror::WalkMirror(TDirToProcess& root, TWideStringList<>& scan_filters, uint16_t* flags) {
  const TItemCounters counters{&context_.progress.items_done, &context_.progress.items_outside};
  if (!StartUpdate(scan_filters, counters, flags)) return SettleDestDir(root);
  log().LogLine("Started scan");
  ProcessDirectory(root, counters, flags);
  Finish(root, counters, flags);
}

bool TMirror::CheckDestRoot(int64_t* attributes) {
  *attributes = ReadAttributes(platform_, dest_path(), log());
  if (*attributes < 0) return false;
  if ((*attributes & kAttrDirectory) != 0) return true;
  log().LogError("Destination " + dest_path() + " is not an accessible directory.");
  return false;
}

void TMirror::LogSummary(TLogger& logger) { dest_.LogSummary(logger); }

// Writes refused earlier in the scan are tried again too; they are an
// error of this mirror only when some of its own were refused.
void TMirror::CheckStoreWrites() {
  TSettingsDb& db = context_.ini.db();
  const bool refused = db.refusals() != refusals_;
  std::string error;
  const bool stored = db.RetryRefusedWrites(&error);
  refusals_ = db.refusals();  // what the retry refused is no new write
  if (stored || !refused || store_error_logged_) return;
  store_error_logged_ = true;
  log().LogError("What this mirror found could not be stored: " + error);
}

bool TMirror::Ask(const std::string& question, const std::string& source, const std::string& dest,
                  uint16_t* flags, uint16_t kind) {
  *flags |= kind;
  const bool yes = PassGate(context_.gate, question, source, dest, flags);
  *flags &= static_cast<uint16_t>(~kind);
  return yes;
}

TConfigSwitches TMirror::switches() const {
  TConfigSwitches now = context_.switches.Get();
  // What was counted and stored for the excluded directories, and which
  // files the archive bit selects, must agree from the mirror's start to its end.
  now.scan_excluded_dirs = at_start_.scan_excluded_dirs;
  now.use_archive_bit = at_start_.use_archive_bit;
  return now;
}

}  // namespace qv
