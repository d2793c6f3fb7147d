// Security descriptors as owner, group, permission bits and the two POSIX ACL
// extended attributes, kept as the kernel's raw blocks; and the capabilities
// that stand for the privileges of reading and setting them.
#include <cstdlib>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

constexpr char kAclAccess[] = "system.posix_acl_access";
constexpr char kAclDefault[] = "system.posix_acl_default";

// No ACL, or a file system that has none: both read as "no ACL".
bool MeansNoAcl(int code) { return code == ENODATA || code == ENOTSUP; }

Status ReadAcl(const std::string& entry, const char* name, std::optional<std::string>* acl) {
  std::string value;
  const Status s = ReadSized(
      [&](char* buffer, size_t size) { return ::lgetxattr(entry.c_str(), name, buffer, size); },
      &value);
  acl->reset();
  if (s.ok()) *acl = std::move(value);
  return MeansNoAcl(s.code()) ? Status::Ok() : s;
}

// Sets the ACL, or removes it when absent (removing none is no error).
Status WriteAcl(const std::string& entry, const char* name, const std::optional<std::string>& acl) {
  if (acl.has_value()) {
    if (::lsetxattr(entry.c_str(), name, acl->data(), acl->size(), 0) != 0) return ErrnoStatus();
  } else if (::lremovexattr(entry.c_str(), name) != 0 && !MeansNoAcl(errno)) {
    return ErrnoStatus();
  }
  return Status::Ok();
}

// The effective capability set of this process, from /proc/self/status.
uint64_t EffectiveCapabilities() {
  std::string status;
  if (!ReadWholeFile("/proc/self/status", &status).ok()) return 0;
  const size_t at = status.find("\nCapEff:");
  if (at == std::string::npos) return 0;
  return std::strtoull(status.c_str() + at + 8, nullptr, 16);
}

Status ReadSecurityOf(const std::string& entry, SecurityDescriptor* sd) {
  struct stat st;
  if (::lstat(entry.c_str(), &st) != 0) return ErrnoStatus();
  sd->uid = st.st_uid;
  sd->gid = st.st_gid;
  sd->mode = st.st_mode & 07777;
  Status s = ReadAcl(entry, kAclAccess, &sd->acl_access);
  if (s.ok() && S_ISDIR(st.st_mode)) return ReadAcl(entry, kAclDefault, &sd->acl_default);
  sd->acl_default.reset();
  return s;
}

Status WriteSecurityOf(const std::string& entry, const SecurityDescriptor& sd) {
  struct stat st;
  if (::lstat(entry.c_str(), &st) != 0) return ErrnoStatus();
  const bool chown_needed = st.st_uid != sd.uid || st.st_gid != sd.gid;
  if (chown_needed && ::lchown(entry.c_str(), sd.uid, sd.gid) != 0) return ErrnoStatus();
  // A link has no permission bits or ACLs of its own.
  if (S_ISLNK(st.st_mode)) return Status::Ok();
  // chown clears set-user-ID and set-group-ID, so the bits go on after it.
  if (chown_needed || (st.st_mode & 07777) != sd.mode) {
    Status s = ChangeModeNoFollow(entry, sd.mode & 07777);
    if (!s.ok()) return s;
  }
  Status s = WriteAcl(entry, kAclAccess, sd.acl_access);
  if (s.ok() && S_ISDIR(st.st_mode)) s = WriteAcl(entry, kAclDefault, sd.acl_default);
  return s;
}

}  // namespace

Status PosixPlatform::ReadSecurity(const std::string& path, SecurityDescriptor* sd) {
  return confinement_.At(EntryPath(path),
                         [&](AtPath at) { return ReadSecurityOf(ProcPath(at), sd); });
}

Status PosixPlatform::WriteSecurity(const std::string& path, const SecurityDescriptor& sd) {
  return confinement_.At(EntryPath(path),
                         [&](AtPath at) { return WriteSecurityOf(ProcPath(at), sd); });
}

Status PosixPlatform::EnablePrivileges() {
  if (::geteuid() == 0) return Status::Ok();
  constexpr uint64_t kNeeded =
      (1ULL << CAP_CHOWN) | (1ULL << CAP_FOWNER) | (1ULL << CAP_DAC_READ_SEARCH);
  if ((EffectiveCapabilities() & kNeeded) == kNeeded) return Status::Ok();
  return Status::FromErrno(ENOTSUP);
}

}  // namespace qv
