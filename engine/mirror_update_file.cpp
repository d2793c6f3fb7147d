// Copying a new or changed file. The new content is always complete beside
// the target before anything happens to the old version, so a destination
// name holds either the old file or the new one, never a partial one, and a
// failed or declined copy leaves the old version where it was.
#include <algorithm>

#include "archive/confirm_gate.h"
#include "archive/dest_disk.h"
#include "config/config_data.h"
#include "config/mapping.h"
#include "engine/mirror.h"
#include "engine/scan_context.h"
#include "engine/scan_progress.h"
#include "engine/update_reason.h"
#include "filesys/file_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

// Room a full drive is first asked for beyond the file's size; doubled at
// every retry.
constexpr int64_t kFirstCopyExtra = 65536;

}  // namespace

// One file update and how far it got.
struct TMirror::TFileUpdate {
  std::string source;
  std::string dest;
  const TFoundFile& entry;
  const TFoundDestFile* old;  // the destination entry it replaces; null for a new file
  uint8_t reasons;
  bool replacing = false;  // the old file goes to the archive once the copy is ready
  bool archived = false;   // the old file is in the archive
  bool replaced = false;   // the new file stands under dest
  int64_t room = -1;       // what the copy takes on the drive; -1 until asked

  int64_t Room(TDest& root) {
    if (room < 0) room = root.DataRoom(source, entry);
    return room;
  }
};

void TMirror::UpdateFile(const TDirToProcess& pair, const std::string& name,
                         const TFoundFile& source, const TFoundDestFile* dest, uint8_t reasons,
                         TItemCounters counters, uint16_t* flags) {
  if (!log().CheckSuspend()) return;
  TFileUpdate update{pair.source + name, pair.dest + name, source, dest, reasons};
  log().SetStatus(update.source);
  if (ReadyToCopy(update, counters, flags)) CopyLoop(update, flags);
  log().SetStatus("");
}

bool TMirror::ReadyToCopy(TFileUpdate& update, TItemCounters counters, uint16_t* flags) {
  const TFoundDestFile* old = update.old;
  if (old == nullptr) return true;
  if (old->IsDirectory()) return RemoveDestDir(*old, flags, counters);
  if ((update.reasons & kReasonAttributes) != 0) {
    UpdateAttributes(flags, old->attributes, update.entry.attributes, update.dest);
    update.reasons &= static_cast<uint8_t>(~kReasonAttributes);
  }
  if (update.reasons == 0 || dest_.mass_change().Withhold()) return false;
  const int64_t size = update.entry.size;
  const int64_t room = update.Room(dest_);
  if (!dest_.CheckSpace(flags, false, log(), {room - old->size_on_disk, room},
                        {size - old->size, size})) {
    return false;
  }
  // Asked before anything is copied: No leaves everything as it is.
  if (!Ask("Update " + update.dest + "? (" + ReasonText(update.reasons) + ")", update.source,
           update.dest, flags)) {
    return false;
  }
  update.replacing = true;
  return true;
}

void TMirror::CopyLoop(TFileUpdate& update, uint16_t* flags) {
  const int64_t size = update.entry.size;
  std::string target = update.dest;
  bool ask = !update.replacing;
  int64_t extra = kFirstCopyExtra;
  for (int attempt = 1;;) {
    const int64_t room = update.Room(dest_);
    if (!dest_.CheckSpace(flags, false, log(), {room, room}, {size, size})) break;
    if (ask) {
      const uint16_t kind = update.old == nullptr ? kConfirmNewItem : 0;
      if (!Ask("Copy " + target + "? (" + ReasonText(update.reasons) + ")", update.source, target,
               flags, kind)) {
        break;
      }
      ask = false;
    }
    TPreparedCopy copy;
    const Status status = copier_.Prepare(update.source, update.entry, target,
                                          mapping_.settings().copy_security_info, log(), &copy);
    if (status.cond() == Cond::kDiskFull) {
      if (!dest_.disk().MakeSpaceAfterDiskFull(status, flags, log(), room + extra)) break;
      extra *= 2;
      continue;
    }
    if (!status.ok()) {
      ReportCopyFailure(update.source, status);
      break;
    }
    if (!CommitCopy(update, copy, target)) break;
    NoteLost(copy.lost);
    AfterCopy(update, target, attempt, flags);
    // A file mapping writes the same source over one more destination.
    if (!TakeFileMapping(update.source, &target)) break;
    ++attempt;
    ask = !update.replacing;
  }
  if (update.archived && !update.replaced) {
    (void)dest_.archive().RestoreFromArchive(update.dest, &dest_.included(), update.old->size,
                                             update.old->size_on_disk, log());
  }
}

bool TMirror::CommitCopy(TFileUpdate& update, const TPreparedCopy& copy,
                         const std::string& target) {
  if (update.replacing && !update.archived) {
    // The question was put before the copy.
    uint16_t answered = kConfirmDefaultYes;
    const TFoundDestFile& old = *update.old;
    if (!dest_.MoveToArchive(TArchiveItem{update.dest, false, old.size, old.size_on_disk, true}, "",
                             &answered, log())) {
      copier_.Discard(copy);
      return false;
    }
    update.archived = true;
  }
  // A new name never replaces what the listing did not show under it.
  const bool replace = update.replacing || target != update.dest;
  const Status status = copier_.Commit(copy, target, replace);
  if (!replace && status.cond() == Cond::kExists) {
    LogNameTaken(update.source, target);
    return false;
  }
  if (!status.ok()) {
    log().LogSysError(status.code(), "Copy of " + update.source + " failed");
    return false;
  }
  if (target == update.dest) update.replaced = true;
  return true;
}

void TMirror::AfterCopy(const TFileUpdate& update, const std::string& target, int attempt,
                        uint16_t* flags) {
  if (attempt > 1) {
    log().Log(", " + std::to_string(attempt) + " times", false);
  } else if (update.old != nullptr) {
    log().Log(", copied file with " + ReasonText(update.reasons), false);
  } else if (switches().log_create) {
    log().LogLine("Created file " + target);
  }
  const TFoundFile& entry = update.entry;
  // A file copy carried its security descriptor; a link gets its own here.
  const bool copy_security = mapping_.settings().copy_security_info;
  const bool carried = copy_security && !entry.IsReparsePoint();
  if (carried) dest_.SecuritySet();
  const bool secured =
      !copy_security || carried || UpdateSecurity(update.source, target, flags, false);
  if (switches().use_archive_bit && secured) {
    (void)ClearArchiveBit(platform_, update.source, entry.attributes, log());
  }
  if (mapping_.resolution().verify_write) VerifyWriteTime(target, entry);
  context_.progress.bytes_copied += entry.size;
  if (attempt == 1) {
    dest_.FileCopied(entry.size, entry.size_on_disk);
  } else {
    dest_.MappingWritten(entry.size, entry.size_on_disk);
  }
}

void TMirror::ReportCopyFailure(const std::string& source, const Status& status) {
  // A source that changes or goes while the scan runs is the user's work in
  // progress, not a fault: the destination keeps what it had until the next
  // scan.
  if (status.cond() == Cond::kSourceChanged) {
    log().LogWarning(source + " changed while it was copied; it is copied again at the next scan");
    return;
  }
  // Gone only when the source's own lookup says so: an entry that cannot be
  // looked up now is a failure like any other.
  FileInfo now;
  if (status.cond() == Cond::kNotFound && platform_.Stat(source, &now).cond() == Cond::kNotFound) {
    log().LogWarning(source + " vanished before it could be copied");
    return;
  }
  log().LogSysError(status.code(), "Copy of " + source + " failed");
}

void TMirror::VerifyWriteTime(const std::string& target, const TFoundFile& source) {
  FileInfo info;
  Status status = platform_.Stat(target, &info);
  if (!status.ok()) {
    log().LogSysError(status.code(), "Could not get last write time " + target);
    return;
  }
  if (WriteTimesEqual(source.last_write_time, info.last_write_time, mapping_.resolution())) return;
  // With the access time: some FUSE file systems take a write time given
  // alone for the time of the call.
  status = platform_.SetTimes(target, source.last_access_time, source.last_write_time);
  if (!status.ok()) {
    log().LogSysError(status.code(), "Could not set last write time of " + target);
  }
}

bool TMirror::TakeFileMapping(const std::string& source, std::string* target) {
  std::vector<std::string>& sources = file_mappings_.sources;
  const auto it = std::find(sources.begin(), sources.end(), source);
  if (it == sources.end()) return false;
  const auto i = it - sources.begin();
  *target = file_mappings_.targets[i];
  sources.erase(it);
  file_mappings_.targets.erase(file_mappings_.targets.begin() + i);
  return true;
}

}  // namespace qv
