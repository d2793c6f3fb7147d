// Attributes, encryption and security descriptors of destination entries.
#include <utility>
#include <vector>

#include "config/mapping.h"
#include "engine/mirror.h"
#include "engine/update_reason.h"
#include "filesys/security.h"
#include "log/logger.h"

namespace qv {

namespace {

bool IsFat(const std::string& file_system) {
  return file_system == "vfat" || file_system == "msdos" || file_system == "FAT" ||
         file_system == "FAT32";
}

}  // namespace

void TMirror::UpdateAttributes(uint16_t* flags, uint32_t dest_attributes,
                               uint32_t source_attributes, const std::string& path) {
  if (!log().CheckSuspend()) return;
  if (!Ask("Update attributes of " + path + "?", std::string(), path, flags)) return;
  const uint32_t wanted =
      (dest_attributes & ~kComparedAttributes) | (source_attributes & kComparedAttributes);
  (void)platform_.SetAttributes(path, wanted);
  FileInfo info;
  const uint32_t now = platform_.Stat(path, &info).ok() ? info.attributes : dest_attributes;
  static const std::pair<uint32_t, const char*> kNames[] = {{kAttrReadOnly, "read only"},
                                                            {kAttrHidden, "hidden"},
                                                            {kAttrSystem, "system"},
                                                            {kAttrNotIndexed, "don't index"}};
  for (const auto& [bit, name] : kNames) {
    if (((wanted ^ dest_attributes) & bit) == 0) continue;
    if (bit == kAttrNotIndexed && IsFat(mapping_.file_system())) continue;
    const bool done = ((now ^ wanted) & bit) == 0;
    log().LogLine(std::string(done ? "Succeeded to " : "Failed to ") +
                  ((wanted & bit) != 0 ? "set " : "clear ") + name + " attribute of " + path);
  }
}

void TMirror::EncryptOrDecrypt(const std::string& source, const std::string& dest, uint16_t* flags,
                               uint32_t source_attributes) {
  const bool encrypt = (source_attributes & kAttrEncrypted) != 0;
  const std::string verb = encrypt ? "Encrypt" : "Decrypt";
  if (!log().CheckSuspend() || !Ask(verb + " " + dest + "?", source, dest, flags)) return;
  log().LogLine(verb + "ing " + dest);
  const Status status = encrypt ? EncryptFile(platform_, dest) : DecryptFile(platform_, dest);
  if (status.ok()) {
    log().Log(" succeeded", false);
  } else {
    log().LogSysError(status.code(), verb + "ion failed");
  }
}

bool TMirror::UpdateSecurity(const std::string& source, const std::string& dest, uint16_t* flags,
                             bool ask) {
  SecurityDescriptor wanted;
  return ReadWanted(source, dest, &wanted, nullptr) &&
         SetSecurity(source, dest, wanted, flags, ask);
}

bool TMirror::SecurityMayDiffer(const FileInfo& source, const FileInfo& dest) const {
  if (!mapping_.settings().copy_security_info || !dest_fs_.keeps_modes) return false;
  const bool owners = privileged_ && dest_fs_.keeps_owners;
  if (owners && (source.uid != dest.uid || source.gid != dest.gid)) return true;
  // A link has no mode, ACL or attributes of its own.
  if (source.IsReparsePoint()) return false;
  const uint32_t mode = WithoutForeignSetId(source.mode, owners || source.uid == dest.uid,
                                            owners || source.gid == dest.gid);
  return mode != (dest.mode & kModeBits) || source.change_time >= dest.change_time;
}

void TMirror::BringSecurityOver(const std::string& source, const std::string& dest,
                                uint16_t* flags) {
  if (!log().CheckSuspend()) return;
  SecurityDescriptor wanted;
  SecurityDescriptor now;
  if (!ReadWanted(source, dest, &wanted, &now) || wanted == now) return;
  if (SetSecurity(source, dest, wanted, flags, true)) {
    log().LogLine("Updated security descriptor of " + dest);
  }
}

bool TMirror::ReadWanted(const std::string& source, const std::string& dest,
                         SecurityDescriptor* wanted, SecurityDescriptor* now) {
  auto from = ReadSecurityDescriptor(platform_, source, log());
  if (!from) return false;
  const auto here = ReadSecurityDescriptor(platform_, dest, log());
  if (!here) return false;
  // Only a privileged scan gives entries away, and only where the
  // destination keeps owners; otherwise they keep the owner and group they
  // were created with (and are not updated again and again).
  const bool give = privileged_ && dest_fs_.keeps_owners;
  const uint32_t uid = give ? from->uid : here->uid;
  const uint32_t gid = give ? from->gid : here->gid;
  from->mode = WithoutForeignSetId(from->mode, uid == from->uid, gid == from->gid);
  from->uid = uid;
  from->gid = gid;
  *wanted = std::move(*from);
  if (now != nullptr) *now = *here;
  return true;
}

bool TMirror::SetSecurity(const std::string& source, const std::string& dest,
                          const SecurityDescriptor& wanted, uint16_t* flags, bool ask) {
  if (ask && !Ask("Update security descriptor of " + dest + "?", source, dest, flags)) {
    return false;
  }
  if (!WriteSecurity(dest, wanted)) return false;
  dest_.SecuritySet();
  return true;
}

bool TMirror::WriteSecurity(const std::string& dest, const SecurityDescriptor& wanted) {
  uint32_t lost = 0;
  const Status status = platform_.WriteSecurity(dest, wanted, &lost);
  if (!status.ok()) {
    log().LogSysError(status.code(), "Could not set security descriptor of " + dest);
    return false;
  }
  NoteLost(lost);
  return true;
}

bool TMirror::WriteMode(const std::string& dest, uint32_t mode) {
  auto descriptor = ReadSecurityDescriptor(platform_, dest, log());
  if (!descriptor) return false;
  descriptor->mode = mode;
  return WriteSecurity(dest, *descriptor);
}

void TMirror::NoteLost(uint32_t lost) {
  // An unprivileged scan never gives entries away: an owner it could not
  // set is no loss.
  if (!privileged_) lost &= ~static_cast<uint32_t>(kMetaOwners);
  lost_ |= lost;
}

void TMirror::WarnLost() {
  static const std::pair<uint32_t, const char*> kParts[] = {{kMetaModes, "permission bits"},
                                                            {kMetaOwners, "owners"},
                                                            {kMetaAcls, "ACLs"},
                                                            {kMetaXattrs, "extended attributes"},
                                                            {kMetaTimes, "directory times"}};
  std::vector<std::string> parts;
  for (const auto& [bit, name] : kParts) {
    if ((lost_ & bit) != 0) parts.emplace_back(name);
  }
  if (parts.empty()) return;
  std::string list;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) list += i + 1 == parts.size() ? " and " : ", ";
    list += parts[i];
  }
  log().LogWarning("Destination " + dest_path() + " did not keep " + list +
                   "; entries were written without them");
}

}  // namespace qv
