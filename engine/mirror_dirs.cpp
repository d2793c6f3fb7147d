// Creating a destination directory and bringing an existing one in line.
#include "archive/confirm_gate.h"
#include "archive/dest_disk.h"
#include "config/config_data.h"
#include "config/mapping.h"
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

// Destination directories stay writable for their owner so that later scans
// can change what they hold: their read-only bit is never compared or set.
constexpr uint32_t kDirComparedAttributes = kComparedAttributes & ~kAttrReadOnly;

}  // namespace

bool TMirror::CreateDestDir(TDirToProcess& pair, uint16_t* flags) {
  if (!Ask("Create directory " + pair.dest + "?", pair.source, pair.dest, flags, kConfirmNewItem)) {
    return false;
  }
  if (pair.entry.IsReparsePoint()) return CreateDestLink(pair);
  if (!MakeDestDir(pair, flags)) return false;
  if (mapping_.settings().copy_security_info) {
    const auto descriptor = ReadSecurityDescriptor(platform_, pair.source, log());
    if (descriptor) (void)WriteSecurity(pair.dest, *descriptor);
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
  return !pair.entry.IsReparsePoint();
}

}  // namespace qv
