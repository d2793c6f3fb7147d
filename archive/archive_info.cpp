// Loading, counting and storing what the archive holds; opening and closing
// a run.
#include "archive/archive.h"
#include "archive/confirm_gate.h"
#include "archive/counter_arithmetic.h"
#include "config/qv_ini_file.h"
#include "filesys/file_ops.h"
#include "filesys/listing.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr char kVersionValue[] = "Version";
// Set while a run may change the archive; a run that finds it set did not
// see the previous one close, so the stored counters cannot be trusted.
constexpr char kRunOpenValue[] = "RunOpen";

}  // namespace

void TArchive::SaveInfo() {
  if (!info_valid_) return;
  TSettingsTransaction transaction(ini_.db());
  ini_.WriteCounters(archive_key_, content_.Get());
  log_dir_.SaveInfo();
  if (run_open_) ini_.WriteInteger(archive_key_, kRunOpenValue, 1);
  (void)transaction.Commit();
}

bool TArchive::WasLeftOpen() {
  if (!left_open_) left_open_ = ini_.ReadInteger(archive_key_, kRunOpenValue, 0) != 0;
  return *left_open_;
}

void TArchive::MarkRunOpen() {
  if (run_open_) return;
  (void)WasLeftOpen();
  run_open_ = true;
  ini_.WriteInteger(archive_key_, kRunOpenValue, 1);
}

void TArchive::CloseRun() {
  if (!info_valid_) {
    // Cancelled before its counters were loaded: a run that changed nothing
    // leaves them as trustworthy as it found them.
    if (run_open_ && !WasLeftOpen() && grown_.Items() == 0 && removed_.Items() == 0) {
      run_open_ = false;
      ini_.Unset(archive_key_, kRunOpenValue);
    }
    return;
  }
  // The log counters recounted while the run was open go with the archive's:
  // a run cut short leaves both to be counted again.
  run_open_ = false;
  TSettingsTransaction transaction(ini_.db());
  ini_.WriteCounters(archive_key_, content_.Get());
  log_dir_.SaveInfo();
  ini_.Unset(archive_key_, kRunOpenValue);
  (void)transaction.Commit();
}

bool TArchive::LoadInfo(int64_t* items, uint16_t* flags, bool use_compressed, TLogger& logger) {
  loading_ = true;
  use_compressed_ = use_compressed;
  log_dir_.LoadInfo();
  const bool interrupted = WasLeftOpen();
  TCounts stored;
  bool loaded = false;
  if (!interrupted && ini_.ReadCounters(archive_key_, &stored)) {
    content_.SetCounts(stored);
    logger.LogLine("The registry reports the archive with " + content_.ToText());
    loaded = RefreshLogs(items, logger);
  } else {
    loaded = ScanArchive(items, logger);
  }
  if (!loaded) return false;
  info_valid_ = true;
  if (ini_.ReadInteger(archive_key_, kVersionValue, 0) < 1) {
    ini_.WriteInteger(archive_key_, kVersionValue, 1);
  }
  return CheckLimits(items, flags, logger);
}

bool TArchive::RefreshLogs(int64_t* items, TLogger& logger) {
  const TCounts old_logs = log_dir_.kept();
  // A missing log directory keeps its old counters: nothing to recount.
  const bool counted = !IsDirectory(platform_, log_dir_.log_dir()) ||
                       log_dir_.Rescan(items, use_compressed_, logger);
  const TCounts change = Difference(log_dir_.kept(), old_logs);
  AddCounts(&content_, change);
  // Log files deleted by hand were removed, not negative growth.
  AddCounts(&grown_, Positive(change));
  AddCounts(&removed_, Positive(Difference(TCounts{}, change)));
  return counted;
}

bool TArchive::ScanArchive(int64_t* items, TLogger& logger) {
  logger.LogLine("Scanning archive " + archive_dir_ + "...");
  content_.Clear();
  // An archive that was never created holds nothing; that is no error.
  const bool exists = FileExists(platform_, ExcludeTrailingSeparator(archive_dir_));
  const bool counted =
      !exists || CountTree(archive_dir_, &content_, items, kDirSizeCountStart, logger);
  info_valid_ = counted;
  if (counted) {
    if (IsDirectory(platform_, log_dir_.log_dir())) {
      (void)log_dir_.Rescan(items, use_compressed_, logger);
    }
    SaveInfo();
    if (!loading_) logger.UpdateMirrorStats(archive_dir_);
  } else {
    if (logger.IsTerminated()) return false;
    logger.LogLine("Retrieved information for " + archive_dir_ +
                   " with errors. This needs your attention.");
  }
  logger.LogLine("Found " + content_.ToText());
  return counted;
}

bool TArchive::OpenArchive(uint16_t* flags, TLogger& logger) {
  running_ = true;
  ClaimTimeSlot();
  if (!IsDirectory(platform_, archive_dir_) && !CreateArchiveDir(flags, logger)) return false;
  if (!log_dir_.CreateLogDir(logger)) return false;
  if (!logger.SetLogFileName(log_dir_.LogFileName(TimeSlotRelative()))) return false;
  return !logger.IsTerminated();
}

bool TArchive::CreateArchiveDir(uint16_t* flags, TLogger& logger) {
  if (!PassGateAs(kConfirmCreateArchive, gate_, "Create archive directory " + archive_dir_,
                  archive_dir_, flags)) {
    return false;
  }
  MarkRunOpen();
  const Status status = platform_.CreatePrivateDir(ExcludeTrailingSeparator(archive_dir_));
  if (!status.ok()) {
    logger.LogSysError(status.code(), "Could not create archive directory " + archive_dir_);
    return false;
  }
  content_.IncDirs();
  grown_.IncDirs();
  SaveInfo();
  ini_.WriteLastTimeSlot(archive_key_, "");
  ini_.WriteInteger(archive_key_, kVersionValue, 1);
  return true;
}

void TArchive::CloseArchive() {
  loading_ = false;
  running_ = false;
  CloseRun();
  if (ini_.ReadLastTimeSlot(archive_key_).empty()) {
    ini_.WriteLastTimeSlot(archive_key_, time_slot_path_);
  }
}

void TArchive::Report(TLogger& logger) {
  RemoveEmptyDirs(time_slot_path_, archive_dir_.size() - 1);
  logger.LogLine("The archive grew with " + grown_.ToText());
  logger.LogLine("Removed " + removed_.ToText() + " from the archive");
  if (!logger.IsTerminated()) logger.LogLine("The archive now contains " + content_.ToText());
}

}  // namespace qv
