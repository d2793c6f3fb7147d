// Moving destination items into this run's time slot and back.
#include "archive/archive.h"
#include "archive/confirm_gate.h"
#include "archive/counter_arithmetic.h"
#include "archive/dest_disk.h"
#include "config/qv_ini_file.h"
#include "config/settings_db.h"
#include "filesys/file_ops.h"
#include "filesys/listing.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

// What a full file system is first asked to free; doubled at every retry.
constexpr int64_t kFirstRoomRequest = 16384;

// A folder that cannot be listed counts as not empty: it is not removed.
bool Empty(Platform& platform, const std::string& dir) {
  std::vector<DirEntry> entries;
  return platform.ListDir(dir, &entries).ok() && entries.empty();
}

}  // namespace

bool TArchive::RetryInArchive(const std::function<Status()>& attempt,
                              const std::function<bool()>& make_parent, Status* failure,
                              TLogger& logger) {
  bool parent_tried = false;
  int64_t wanted = kFirstRoomRequest;
  for (;;) {
    const Status status = attempt();
    if (status.ok()) return true;
    if (status.cond() == Cond::kNotFound && !parent_tried) {
      parent_tried = true;
      if (!make_parent()) return false;
    } else if (status.cond() == Cond::kDiskFull) {
      uint16_t flags = kConfirmDefaultYes;
      if (!disk_.MakeSpaceAfterDiskFull(status, &flags, logger, wanted)) return false;
      wanted *= 2;
    } else {
      *failure = status;
      return false;
    }
  }
}

// Creates the directory that holds path, and its missing parents inside
// the archive. The archive directory itself is made only by OpenArchive,
// which asks first. The directories still to make wait on the heap,
// innermost first, so that a deep tree costs no stack.
bool TArchive::ForceArchiveDirs(const std::string& path, TLogger& logger) {
  struct TMissing {
    std::string dir;
    bool parent_made = false;
  };
  std::vector<TMissing> missing = {{ExcludeTrailingSeparator(ParentDir(path))}};
  while (!missing.empty()) {
    bool parent_missing = false;
    if (!MakeArchiveDir(missing.back().dir, missing.back().parent_made, &parent_missing, logger)) {
      if (!parent_missing) return false;
      missing.push_back({ExcludeTrailingSeparator(ParentDir(missing.back().dir))});
      continue;
    }
    missing.pop_back();
    if (!missing.empty()) missing.back().parent_made = true;
  }
  return true;
}

bool TArchive::MakeArchiveDir(const std::string& dir, bool parent_made, bool* parent_missing,
                              TLogger& logger) {
  bool created = false;
  const auto attempt = [&] {
    const Status status = platform_.CreatePrivateDir(dir);
    created = status.ok();
    if (status.cond() == Cond::kExists && IsDirectory(platform_, dir)) return Status::Ok();
    return status;
  };
  // A parent outside the archive, or one made already, leaves the failure
  // to the next attempt.
  const auto make_parent = [&] {
    *parent_missing = !parent_made && IsInside(ParentDir(dir), archive_dir_);
    return !*parent_missing;
  };
  Status failure;
  if (!RetryInArchive(attempt, make_parent, &failure, logger)) {
    if (!failure.ok()) logger.LogSysError(failure.code(), "Could not create directory " + dir);
    return false;
  }
  if (created) {
    content_.IncDirs();
    grown_.IncDirs();
  }
  return true;
}

// Before the first version goes in, the mark and the slot's name (which
// tells later scans that versions were stored here) in one commit.
void TArchive::MarkSlotOpen() {
  if (slot_named_) return MarkRunOpen();
  TSettingsTransaction transaction(ini_.db());
  MarkRunOpen();
  ini_.WriteLastTimeSlot(archive_key_, time_slot_path_);
  (void)transaction.Commit();
  slot_named_ = true;
}

bool TArchive::MoveToArchive(const TArchiveItem& item, const std::string& question, uint16_t* flags,
                             TDirInfo* source_counters, TLogger& logger) {
  (void)ArchivePath(item.path);  // refuses what does not belong in the archive
  const std::string asked = question.empty() ? "Move " + item.path + " to archive?" : question;
  if (!PassGate(gate_, asked, std::string(), item.path, flags)) return false;
  ClaimTimeSlot();
  MarkSlotOpen();
  const std::string target = ArchivePath(item.path);
  const std::string from = ExcludeTrailingSeparator(item.path);
  const std::string to = ExcludeTrailingSeparator(target);
  // Counted before it moves: the unfinished copies it holds are deleted on
  // the way and never reach the archive.
  TDirInfo moved;
  TCounts added = item.is_directory ? CountMovedDirectory(from, &moved, logger) : TCounts{};
  Status failure;
  // Neither a link nor a move ever replaces: an item already at the target
  // stays, and so does this one.
  const auto attempt = [&] {
    if (item.keep_in_place && !item.is_directory) {
      const Status linked = platform_.Link(from, to);
      const Cond cond = linked.cond();
      // Anything else means links are refused here (vfat answers EPERM).
      if (linked.ok() || cond == Cond::kNotFound || cond == Cond::kDiskFull ||
          cond == Cond::kExists) {
        return linked;
      }
    }
    return platform_.Move(from, to);
  };
  if (!RetryInArchive(
          attempt, [&] { return ForceArchiveDirs(to, logger); }, &failure, logger)) {
    if (!failure.ok()) {
      logger.LogSysError(failure.code(), "Could not move " + item.path + " to archive " + target);
    }
    return false;
  }
  if (!item.is_directory) {
    if (source_counters != nullptr) source_counters->SubFile(item.size, item.compressed_size);
    content_.AddFile(item.size, item.compressed_size);
    grown_.AddFile(item.size, item.compressed_size);
    logger.LogLine("Moved " + item.path + " to archive");
    return true;
  }
  if (source_counters != nullptr) source_counters->DecDirs();
  AddCounts(&content_, added);
  AddCounts(&grown_, added);
  --added.dirs;
  logger.LogLine("Moved " + item.path + " to archive with " + CountsText(added));
  return true;
}

// Adds the directory at path and everything below it, but the unfinished
// copies it deletes, to *counters and answers what was added.
TCounts TArchive::CountMovedDirectory(const std::string& path, TDirInfo* counters,
                                      TLogger& logger) {
  const TCounts before = counters->Get();
  counters->IncDirs();
  (void)CountTree(path, counters, nullptr, kDirSizeNoPolling | kDirSizeDropUnfinished, logger);
  return Difference(counters->Get(), before);
}

bool TArchive::RestoreFromArchive(const std::string& dest_path, TDirInfo* dest_counters,
                                  int64_t size, int64_t compressed_size, TLogger& logger) {
  // An unclaimed slot name may still be an earlier run's: claiming it first
  // makes sure only what this run archived comes back.
  ClaimTimeSlot();
  MarkRunOpen();
  const std::string archived = ExcludeTrailingSeparator(ArchivePath(dest_path));
  FileInfo info;
  if (!platform_.Stat(archived, &info).ok()) {
    logger.LogLine("Could not restore " + dest_path);
    return false;
  }
  const std::string back = ExcludeTrailingSeparator(dest_path);
  // A version archived by link still stands in the destination: only the
  // archive's name for it goes.
  FileInfo standing;
  const bool linked = !info.IsDirectory() && platform_.Stat(back, &standing).ok() &&
                      standing.device == info.device && standing.inode == info.inode;
  const Status status = linked ? platform_.DeleteFile(archived) : platform_.Move(archived, back);
  if (!status.ok()) {
    logger.LogSysError(status.code(),
                       "Could not restore " + dest_path + " from archive " + archived);
    return false;
  }
  TDirInfo scratch;
  TDirInfo* counters = dest_counters != nullptr ? dest_counters : &scratch;
  if (info.IsDirectory() && !info.IsReparsePoint()) {
    TCounts restored = CountMovedDirectory(back, counters, logger);
    SubtractCounts(&content_, restored);
    AddCounts(&removed_, restored);
    --restored.dirs;
    logger.LogLine("Restored " + dest_path + " from archive with " + CountsText(restored));
  } else {
    content_.SubFile(size, compressed_size);
    removed_.AddFile(size, compressed_size);
    counters->AddFile(size, compressed_size);
    logger.LogLine("Restored " + dest_path + " from archive");
  }
  RemoveEmptyDirs(ParentDir(archived), time_slot_path_.size());
  return true;
}

// Removes dir and then its parents while they are empty and longer than
// min_length; a missing one is passed over.
void TArchive::RemoveEmptyDirs(const std::string& dir, size_t min_length) {
  for (std::string path = ExcludeTrailingSeparator(dir); path.size() > min_length;
       path = ExcludeTrailingSeparator(ParentDir(path))) {
    FileInfo info;
    if (!platform_.Stat(path, &info).ok()) continue;
    if (!info.IsDirectory() || info.IsReparsePoint()) return;
    if (!run_open_ && !Empty(platform_, path)) return;
    MarkRunOpen();
    const bool read_only = (info.attributes & kAttrReadOnly) != 0;
    if (read_only) (void)platform_.SetAttributes(path, info.attributes & ~kAttrReadOnly);
    if (!platform_.RemoveDir(path).ok()) {
      if (read_only) (void)platform_.SetAttributes(path, info.attributes);
      return;
    }
    content_.DecDirs();
    removed_.IncDirs();
  }
}

}  // namespace qv
