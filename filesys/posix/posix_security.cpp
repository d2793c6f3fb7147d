// Security descriptors as owner, group, permission bits, the two POSIX ACL
// extended attributes (the kernel's raw blocks) and the user.* attributes;
// and the capabilities that stand for the privileges of reading and setting
// them.
#include <cerrno>
#include <cstdlib>

#include <linux/capability.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/path_ops.h"
#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"
#include "filesys/posix/xattrs.h"
#include "filesys/security.h"

namespace qv {

namespace {

constexpr char kAclAccess[] = "system.posix_acl_access";
constexpr char kAclDefault[] = "system.posix_acl_default";

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
  *sd = SecurityDescriptor{st.st_uid, st.st_gid, st.st_mode & 07777u, {}, {}, {}};
  // A link has no permission bits, ACLs or user attributes of its own.
  if (S_ISLNK(st.st_mode)) return Status::Ok();
  const XattrEntry xattrs(entry);
  Status s = ReadAcl(xattrs, kAclAccess, &sd->acl_access);
  if (s.ok() && S_ISDIR(st.st_mode)) s = ReadAcl(xattrs, kAclDefault, &sd->acl_default);
  return s.ok() ? ReadUserXattrs(xattrs, &sd->xattrs) : s;
}

Status WriteSecurityOf(const std::string& entry, const SecurityDescriptor& sd, uint32_t* lost) {
  struct stat st;
  if (::lstat(entry.c_str(), &st) != 0) return ErrnoStatus();
  bool owned = st.st_uid == sd.uid && st.st_gid == sd.gid;
  if (!owned) {
    owned = ::lchown(entry.c_str(), sd.uid, sd.gid) == 0;
    if (!owned && !NotKept(errno)) return ErrnoStatus();
    if (!owned) *lost |= kMetaOwners;
  }
  if (S_ISLNK(st.st_mode)) return Status::Ok();
  // chown clears set-user-ID and set-group-ID, so the bits go on after it.
  const mode_t mode = WithoutForeignSetId(sd.mode, owned, owned);
  if ((st.st_mode & 07777) != mode || st.st_uid != sd.uid || st.st_gid != sd.gid) {
    const Status s = ChangeModeNoFollow(entry, mode);
    if (!s.ok() && !NotKept(s.code())) return s;
    if (!s.ok()) *lost |= kMetaModes;
  }
  const XattrEntry xattrs(entry);
  Status s = WriteAcl(xattrs, kAclAccess, sd.acl_access, lost);
  if (s.ok() && S_ISDIR(st.st_mode)) s = WriteAcl(xattrs, kAclDefault, sd.acl_default, lost);
  return s.ok() ? WriteUserXattrs(xattrs, sd.xattrs, lost) : s;
}

}  // namespace

Status PosixPlatform::ReadSecurity(const std::string& path, SecurityDescriptor* sd) {
  return confinement_.At(EntryPath(path),
                         [&](AtPath at) { return ReadSecurityOf(ProcPath(at), sd); });
}

Status PosixPlatform::WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                                    uint32_t* lost) {
  uint32_t not_kept = 0;
  const Status s = confinement_.At(
      EntryPath(path), [&](AtPath at) { return WriteSecurityOf(ProcPath(at), sd, &not_kept); });
  if (lost != nullptr) *lost = not_kept;
  return s;
}

// The access ACL of the directory itself: ENODATA (none set) still says the
// file system keeps them; only "not supported" (ENOTSUP, which is EOPNOTSUPP
// on Linux) says it does not.
Status PosixPlatform::KeepsAcls(const std::string& dir, bool* keeps) {
  std::string acl;
  const Status s = XattrEntry(IncludeTrailingSeparator(dir)).Get(kAclAccess, &acl);
  if (s.ok() || s.code() == ENODATA) {
    *keeps = true;
    return Status::Ok();
  }
  if (s.code() == ENOTSUP) {
    *keeps = false;
    return Status::Ok();
  }
  return s;
}

Status PosixPlatform::EnablePrivileges() {
  if (::geteuid() == 0) return Status::Ok();
  constexpr uint64_t kNeeded =
      (1ULL << CAP_CHOWN) | (1ULL << CAP_FOWNER) | (1ULL << CAP_DAC_READ_SEARCH);
  if ((EffectiveCapabilities() & kNeeded) == kNeeded) return Status::Ok();
  return Status::FromErrno(ENOTSUP);
}

}  // namespace qv
