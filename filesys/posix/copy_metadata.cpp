#include <string>
#include <string_view>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "filesys/posix/copy_steps.h"
#include "filesys/posix/posix_util.h"

namespace qv {
namespace {

constexpr std::string_view kUserNamespace = "user.";

bool Unsupported(int code) { return code == ENOTSUP || code == EOPNOTSUPP; }

}  // namespace

Status CopyUserXattrs(int in, int out) {
  std::string names;
  Status s = ReadSized([in](char* buf, size_t size) { return flistxattr(in, buf, size); }, &names);
  if (!s.ok()) return Unsupported(s.code()) ? Status::Ok() : s;
  std::string value;
  for (size_t pos = 0; pos < names.size();) {
    const std::string name = names.c_str() + pos;  // the list is "name\0name\0..."
    pos += name.size() + 1;
    if (!name.starts_with(kUserNamespace)) continue;
    s = ReadSized([&](char* buf, size_t size) { return fgetxattr(in, name.c_str(), buf, size); },
                  &value);
    if (s.code() == ENODATA) continue;  // removed since it was listed
    if (!s.ok()) return s;
    if (fsetxattr(out, name.c_str(), value.data(), value.size(), 0) == 0) continue;
    if (Unsupported(errno)) return Status::Ok();      // the destination keeps none
    if (errno == E2BIG || errno == ERANGE) continue;  // beyond the destination's limits
    return ErrnoStatus();
  }
  return Status::Ok();
}

Status CopySecurity(int in, int out, const struct stat& st) {
  struct stat now;
  if (fstat(out, &now) != 0) return ErrnoStatus();
  if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) &&
      fchown(out, st.st_uid, st.st_gid) != 0 && errno != EPERM) {
    return ErrnoStatus();
  }
  constexpr char kAclAccess[] = "system.posix_acl_access";
  std::string acl(256, '\0');
  ssize_t size = fgetxattr(in, kAclAccess, acl.data(), acl.size());
  if (size < 0 && errno == ERANGE) {
    size = fgetxattr(in, kAclAccess, nullptr, 0);
    if (size >= 0) {
      acl.resize(static_cast<size_t>(size));
      size = fgetxattr(in, kAclAccess, acl.data(), acl.size());
    }
  }
  if (size >= 0) {
    if (fsetxattr(out, kAclAccess, acl.data(), static_cast<size_t>(size), 0) != 0) {
      return ErrnoStatus();
    }
    return Status::Ok();
  }
  if (errno != ENODATA && errno != ENOTSUP) return ErrnoStatus();
  // A default ACL of the directory may have given the new file one.
  if (fremovexattr(out, kAclAccess) != 0 && errno != ENODATA && errno != ENOTSUP) {
    return ErrnoStatus();
  }
  return Status::Ok();
}

Status ApplyModeAndTimes(int out, const struct stat& st) {
  mode_t mode = st.st_mode & 07777;
  // Another user's setuid program must not become one that runs as us.
  if (geteuid() != 0) mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
  if (fchmod(out, mode) != 0) return ErrnoStatus();
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (futimens(out, times) != 0) return ErrnoStatus();
  return Status::Ok();
}

}  // namespace qv
