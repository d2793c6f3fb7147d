// The end of a mirror: limits once more, durability, the report lines and
// the stored counters.
#include "archive/dest_disk.h"
#include "config/config_data.h"
#include "config/mapping.h"
#include "config/mirror_health.h"
#include "config/qv_ini_file.h"
#include "config/settings_db.h"
#include "engine/mirror.h"
#include "engine/scan_context.h"
#include "filesys/path_ops.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

namespace {

// What the last space check wants to fit, and the free bytes below which it
// makes space.
constexpr int64_t kFinishNeeded = 102400;
constexpr int64_t kFinishThreshold = 204800;

}  // namespace

void TMirror::Finish(const TDirToProcess& root, TItemCounters counters, uint16_t* flags) {
  walked_ = true;
  if (log().IsTerminated()) {
    log().LogLine("Skipping shrink of archive due to termination request");
  } else if (!dest_.cancelled()) {
    int64_t done = 0;
    int64_t outside = 0;
    (void)dest_.archive().RefreshLogs(&done, log());
    (void)dest_.archive().RemoveOutlivedDays(flags, log());
    (void)dest_.archive().CheckLimits(&outside, flags, log());
    *counters.done += static_cast<int32_t>(done);
    *counters.outside += static_cast<int32_t>(outside);
    (void)dest_.CheckSpace(flags, false, log(), kFinishNeeded, kFinishThreshold);
    CheckDriveSize();
  }
  // The root's mode and times last of its entries, after the archive's
  // changes in it, and before the warning of what the destination did not
  // keep and the count of this mirror's errors.
  SettleDestDir(root);
  WarnLost();
  source_.Report(log());
  dest_.Report(log());
  SaveFindings();
  CheckStoreWrites();
  LogEnd();
  // The log that cannot go into the archive stays with the front end; the
  // scan must not end as a success.
  if (!log().FlushLog()) log().CountError();
}

// Stored before the end lines, so that a store that refuses them is an
// error counted among this mirror's. In one transaction, inside which each
// write checks the mapping's key (TMapping::KeepWritesWhileStored): a
// mapping removed meanwhile gets none of them.
void TMirror::SaveFindings() {
  TSettingsTransaction transaction(context_.ini.db());
  if (!dest_.failed()) {
    source_.SaveCounters();
    dest_.SaveCounters();
    (void)context_.ini.WriteScannedExDirs(mapping_.key(), switches().scan_excluded_dirs);
    if (!log().IsTerminated()) dest_.mass_change().Finish(dest_.included().Files());
  }
  guard_.mounts().Save();
  (void)transaction.Commit();
}

// How the run ended, beside the counters; a mirror the user's stop kept
// from starting is not called and keeps what its last run stored.
TScanResult TMirror::Outcome() {
  if (locked_out_) return TScanResult::kLockedOut;
  if (log().IsTerminated()) return TScanResult::kStopped;
  if (!walked_ || dest_.cancelled()) return TScanResult::kCancelled;
  if (dest_.mass_change().held()) return TScanResult::kHeld;
  const bool clean = log().ErrorCount() == start_errors_ && !dest_.failed();
  return clean ? TScanResult::kCompleted : TScanResult::kCompletedWithErrors;
}

// How the run ended and the closing of its archive run, after the log's
// last save, in one transaction: each commit waits for the disk. A refusal
// is kept and caught by the run's CheckStoreWrites, as that of a single
// write. The window then reads the mirror's stored statistics again.
void TMirror::SaveRunEnd() {
  {
    TSettingsTransaction transaction(context_.ini.db());
    (void)WriteMirrorHealth(context_.ini, mapping_.key(), platform_.Now(), Outcome(),
                            log().ErrorCount() - start_errors_);
    // An archive this run never held is another scan's, or none at all:
    // nothing is stored for it.
    if (dest_.archive().lock().held()) dest_.archive().CloseArchive();
    (void)transaction.Commit();
  }
  log().UpdateMirrorStats(dest_path() + kArchiveDirName + kSep);
}

void TMirror::CheckDriveSize() {
  const int64_t mirror = dest_.included().GetCompressedSize();
  const int64_t archive = dest_.archive().content().GetCompressedSize();
  const TDestDisk& disk = dest_.disk();
  const int64_t free_bytes = disk.wanted_free_bytes();
  const int64_t drive = disk.total_bytes();
  if (mirror < 0 || archive <= 0 || free_bytes <= 0 || drive <= 0) return;
  if (mirror + archive + free_bytes <= drive) return;
  log().LogWarning(
      "The compressed size " + SizeText(mirror, 2) + " plus the compressed size of the archive " +
      SizeText(archive, 2) + " plus the number of free bytes " + SizeText(free_bytes, 2) +
      " exceeds the size " + SizeText(drive, 2) + " of destination drive " + disk.root() +
      ". For more information see the clear archive info command in the operation "
      "statistics part of the manual.");
}

void TMirror::LogEnd() {
  if (dest_.cancelled()) {
    LogWritesLost();
    return;
  }
  if (log().IsTerminated()) {
    log().LogLine("Mirror terminated");
    return;
  }
  if (dest_.failed()) {
    log().LogLine("Mirror failed. Maximum size of destination is too small.");
    return;
  }
  if (!min_ages_.Empty()) {
    log().LogLine("Minimal ages not found:");
    log().LogStrings(min_ages_.Texts());
  }
  const int errors = log().ErrorCount() - start_errors_;
  log().LogLine(errors == 0
                    ? "Logged no errors for this mirror"
                    : "Logged " + CountText(errors, "error", "errors") + " for this mirror");
  log().LogLine("Mirror done");
}

}  // namespace qv
