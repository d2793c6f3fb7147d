// Creating a destination directory and bringing an existing one in line.
#include "archive/confirm_gate.h"
#include "archive/dest_disk.h"
#include "config/config_data.h"
#include "config/mapping.h"
#include "config/time_resolution.h"
#include "engine/mirror.h"
#include "engine/update_reason.h"
#include "filesys/file_ops.h"
#include "filesys/path_ops.h"
#include "filesys/security.h"
#include "log/logger.h"

namespace qv {

namespace {

// What a full drive is first asked to free for a directory; doubled at
// every retry.
constexpr int64_t kFirstDirRoom = 8192;

// A directory's read-only bit is its mode's, which is settled when the walk
// leaves it: the walk needs to write inside first.
constexpr uint32_t kDirComparedAttributes = kComparedAttributes & ~kAttrReadOnly;

// The owner's write permission.
constexpr uint32_t kOwnerWrite = 0200;

}  // namespace

bool TMirror::CreateDestDir(TDirToProcess& pair, uint16_t* flags) {
  if (!Ask("Create directory " + pair.dest + "?", pair.source, pair.dest, flags, kConfirmNewItem)) {
    return false;
  }
  if (pair.entry.IsReparsePoint()) return CreateDestLink(pair);
  if (!MakeDestDir(pair, flags)) return false;
  pair.opened = true;
  SecurityDescriptor wanted;
  if (mapping_.settings().copy_security_info &&
      ReadWanted(pair.source, pair.dest, &wanted, nullptr)) {
    wanted.mode |= kOwnerWrite;
    (void)WriteSecurity(pair.dest, wanted);
  }
  dest_.DirCreated();
  if (switches().log_create_dir) log().LogLine("Created directorie " + pair.dest);
  FileInfo info;
  pair.dest_attributes = platform_.Stat(pair.dest, &info).ok() ? info.attributes : kNoDestDir;
  if (switches().use_archive_bit) {
    (void)ClearArchiveBit(platform_, pair.source, pair.entry.attributes, log());
  }
  return true;
}

// A linked directory is mirrored as a link with the same target text; it is
// never walked.
bool TMirror::CreateDestLink(const TDirToProcess& pair) {
  const std::string link = ExcludeTrailingSeparator(pair.dest);
  TPreparedCopy copy;
  Status status =
      copier_.Prepare(ExcludeTrailingSeparator(pair.source), pair.entry, link, false, log(), &copy);
  if (status.ok()) status = copier_.Commit(copy, link, false);
  if (status.cond() == Cond::kExists) {
    LogNameTaken(pair.source, pair.dest);
    return false;
  }
  if (!status.ok()) {
    log().LogError("Failed to create reparse point " + pair.dest);
    return false;
  }
  dest_.DirCreated();
  log().LogLine("Created reparse point " + pair.dest);
  return false;
}

bool TMirror::MakeDestDir(const TDirToProcess& pair, uint16_t* flags) {
  const std::string path = ExcludeTrailingSeparator(pair.dest);
  for (int64_t room = kFirstDirRoom;; room *= 2) {
    const Status status = platform_.CreateDir(path);
    if (status.ok()) return true;
    if (status.cond() == Cond::kExists) {
      LogNameTaken(pair.source, pair.dest);
      return false;
    }
    if (status.cond() != Cond::kDiskFull) {
      log().LogSysError(status.code(), "Could not create directory " + path);
      return false;
    }
    if (!dest_.disk().MakeSpaceAfterDiskFull(status, flags, log(), room)) return false;
  }
}

bool TMirror::UpdateDestDir(TDirToProcess& pair, uint16_t* flags) {
  TakeMinimalAge(pair);
  // The roots' own attributes, security and encryption are left alone.
  if (!root_seen_) {
    root_seen_ = true;
    return true;
  }
  const uint32_t source = pair.entry.attributes;
  const auto dest = static_cast<uint32_t>(pair.dest_attributes);
  if (((source ^ dest) & kAttrEncrypted) != 0) {
    EncryptOrDecrypt(pair.source, pair.dest, flags, source);
  }
  if (mapping_.settings().copy_security_info && switches().use_archive_bit &&
      (source & kAttrArchive) != 0 && UpdateSecurity(pair.source, pair.dest, flags, true)) {
    log().LogLine("Updated security descriptor of directory " + pair.dest);
    (void)ClearArchiveBit(platform_, pair.source, source, log());
  }
  if (((source ^ dest) & kDirComparedAttributes) != 0) {
    UpdateAttributes(flags, dest, source, pair.dest);
  }
  if (pair.entry.IsReparsePoint()) return false;
  OpenDestDir(pair);
  return true;
}

void TMirror::OpenDestDir(TDirToProcess& pair) {
  pair.opened = true;
  if ((pair.dest_found.mode & kOwnerWrite) != 0) return;
  const auto attributes = static_cast<uint32_t>(pair.dest_attributes) & ~kAttrReadOnly;
  pair.write_given = platform_.SetAttributes(pair.dest, attributes).ok();
}

void TMirror::SettleDestDir(const TDirToProcess& pair) {
  if (!pair.opened || dest_.cancelled()) return;
  FileInfo now;
  if (!platform_.Stat(pair.dest, &now).ok() || !now.IsDirectory() || now.IsReparsePoint()) return;
  SettleDirSecurity(pair, now);
  // Times last: what changes inside a directory moves its write time.
  const FileInfo& source = pair.entry;
  if (WriteTimesEqual(source.last_write_time, now.last_write_time, mapping_.resolution())) return;
  const Status status =
      platform_.SetTimes(pair.dest, source.last_access_time, source.last_write_time);
  if (!status.ok() && status.cond() != Cond::kNotFound) NoteLost(kMetaTimes);
}

void TMirror::SettleDirSecurity(const TDirToProcess& pair, const FileInfo& now) {
  const FileInfo& source = pair.entry;
  const FileInfo& found = pair.dest_found;
  const bool created = found.mode == 0;
  const uint32_t mode = now.mode & kModeBits;
  if (!mapping_.settings().copy_security_info || !dest_fs_.keeps_modes) {
    if (pair.write_given && mode != (found.mode & kModeBits)) {
      (void)WriteMode(pair.dest, found.mode & kModeBits);
    }
    return;
  }
  // The root keeps its own owner, ACLs and attributes: only its mode follows.
  const bool root = pair.dest == dest_path();
  if (!root && !created && SecurityMayDiffer(source, found)) {
    SecurityDescriptor wanted;
    SecurityDescriptor here;
    if (!ReadWanted(pair.source, pair.dest, &wanted, &here) || wanted == here) return;
    SecurityDescriptor before = here;
    before.mode = found.mode & kModeBits;
    if (WriteSecurity(pair.dest, wanted) && wanted != before) dest_.SecuritySet();
    return;
  }
  const uint32_t wanted =
      WithoutForeignSetId(source.mode, source.uid == now.uid, source.gid == now.gid);
  if (wanted == mode || !WriteMode(pair.dest, wanted)) return;
  if (!created && wanted != (found.mode & kModeBits)) dest_.SecuritySet();
}

}  // namespace qv
