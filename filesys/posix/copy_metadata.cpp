#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "filesys/posix/copy_steps.h"
#include "filesys/posix/posix_util.h"
#include "filesys/posix/xattrs.h"
#include "filesys/security.h"

namespace qv {

namespace {

constexpr char kAclAccess[] = "system.posix_acl_access";

}  // namespace

Status CopyUserXattrs(int in, int out, uint32_t* lost) {
  UserXattrs xattrs;
  const Status s = ReadUserXattrs(XattrEntry(in), &xattrs);
  if (!s.ok()) return s;
  return AddUserXattrs(XattrEntry(out), xattrs, lost);
}

Status CopySecurity(int in, int out, const struct stat& st, uint32_t* lost) {
  struct stat now;
  if (fstat(out, &now) != 0) return ErrnoStatus();
  if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) &&
      fchown(out, st.st_uid, st.st_gid) != 0) {
    if (!NotKept(errno)) return ErrnoStatus();
    *lost |= kMetaOwners;
  }
  std::optional<std::string> acl;
  const Status s = ReadAcl(XattrEntry(in), kAclAccess, &acl);
  // Without one of its own, one that a default ACL of the directory gave the
  // new file goes.
  return s.ok() ? WriteAcl(XattrEntry(out), kAclAccess, acl, lost) : s;
}

Status ApplyModeAndTimes(int out, const struct stat& st, uint32_t* lost) {
  struct stat now;
  if (fstat(out, &now) != 0) return ErrnoStatus();
  const mode_t mode =
      WithoutForeignSetId(st.st_mode & 07777, now.st_uid == st.st_uid, now.st_gid == st.st_gid);
  if (fchmod(out, mode) != 0) {
    if (!NotKept(errno)) return ErrnoStatus();
    *lost |= kMetaModes;
  }
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (futimens(out, times) != 0) return ErrnoStatus();
  return Status::Ok();
}

}  // namespace qv
