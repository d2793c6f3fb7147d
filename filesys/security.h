#ifndef QUORVANE_FILESYS_SECURITY_H_
#define QUORVANE_FILESYS_SECURITY_H_

#include <cstdint>
#include <optional>
#include <string>

#include "filesys/platform.h"

namespace qv {

class TLogger;

// Asks for the rights to read and set the security of files owned by others
// (capabilities on POSIX). Logs "Access rights granted" and "Privileges
// granted" on success. A user without such rights is a platform without the
// service: nothing is logged and the answer is false. Nothing needs restoring
// when the scan ends.
bool EnablePrivileges(Platform& platform, TLogger& logger);

// Owner, group, permission bits and ACLs of path, or nullopt after "Could not
// read security descriptor of ". Writing one is Platform::WriteSecurity; its
// caller logs.
std::optional<SecurityDescriptor> ReadSecurityDescriptor(Platform& platform,
                                                         const std::string& path, TLogger& logger);

// The permission bits of a mode word, and its set-ID bits among them.
inline constexpr uint32_t kModeBits = 07777;
inline constexpr uint32_t kSetUserId = 04000;
inline constexpr uint32_t kSetGroupId = 02000;

// The permission bits of mode without a set-ID bit whose owner or group the
// entry does not get: another user's set-ID program must not become one that
// runs as whoever owns the copy.
inline uint32_t WithoutForeignSetId(uint32_t mode, bool same_owner, bool same_group) {
  mode &= kModeBits;
  if (!same_owner) mode &= ~kSetUserId;
  if (!same_group) mode &= ~kSetGroupId;
  return mode;
}

// Encryption is neither reported nor changed on POSIX: both answer
// Cond::kNotImplemented.
Status EncryptFile(Platform& platform, const std::string& path);
Status DecryptFile(Platform& platform, const std::string& path);

}  // namespace qv

#endif  // QUORVANE_FILESYS_SECURITY_H_
