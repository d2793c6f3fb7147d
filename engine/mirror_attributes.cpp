// Attributes, encryption and security descriptors of destination entries.
#include <utility>

#include "config/mapping.h"
#include "engine/mirror.h"
#include "engine/update_reason.h"
#include "filesys/security.h"
#include "log/logger.h"

namespace qv {

namespace {

// The owner's write permission.
constexpr uint32_t kOwnerWrite = 0200;

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
  if (ask && !Ask("Update security descriptor of " + dest + "?", source, dest, flags)) {
    return false;
  }
  const auto descriptor = ReadSecurityDescriptor(platform_, source, log());
  if (!descriptor || !WriteSecurity(dest, *descriptor)) return false;
  dest_.SecuritySet();
  return true;
}

bool TMirror::WriteSecurity(const std::string& dest, SecurityDescriptor descriptor) {
  // Only a privileged scan may give files away; otherwise they keep the
  // owner and group they were created with.
  FileInfo info;
  if (!privileged_ && platform_.Stat(dest, &info).ok()) {
    descriptor.uid = info.uid;
    descriptor.gid = info.gid;
  }
  // Directories stay writable for the walks of later scans.
  if (dest.ends_with('/')) descriptor.mode |= kOwnerWrite;
  const Status status = platform_.WriteSecurity(dest, descriptor);
  if (!status.ok()) {
    log().LogSysError(status.code(), "Could not set security descriptor of " + dest);
  }
  return status.ok();
}

}  // namespace qv
