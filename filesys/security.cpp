#include "filesys/security.h"

#include <cerrno>

#include "log/logger.h"

namespace qv {

bool EnablePrivileges(Platform& platform, TLogger& logger) {
  const Status status = platform.EnablePrivileges();
  if (status.cond() == Cond::kNotImplemented) return false;
  if (!status.ok()) {
    logger.LogSysError(status.code(), "Failed to adjust security privileges");
    return false;
  }
  logger.LogLine("Access rights granted");
  logger.LogLine("Privileges granted");
  return true;
}

std::optional<SecurityDescriptor> ReadSecurityDescriptor(Platform& platform,
                                                         const std::string& path, TLogger& logger) {
  SecurityDescriptor descriptor;
  const Status status = platform.ReadSecurity(path, &descriptor);
  if (status.ok()) return descriptor;
  logger.LogSysError(status.code(), "Could not read security descriptor of " + path);
  return std::nullopt;
}

Status EncryptFile(Platform&, const std::string&) { return Status::FromErrno(ENOTSUP); }

Status DecryptFile(Platform&, const std::string&) { return Status::FromErrno(ENOTSUP); }

}  // namespace qv
