#include "filesys/posix/xattrs.h"

#include <algorithm>
#include <string_view>

#include <sys/xattr.h>

#include "filesys/platform.h"
#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

constexpr std::string_view kUserNamespace = "user.";

Status Answer(int result) { return result == 0 ? Status::Ok() : ErrnoStatus(); }

// No such attribute, or no such attributes on this file system: nothing to read.
bool NoneThere(int code) { return code == ENODATA || code == ENOTSUP; }

bool HasName(const UserXattrs& xattrs, const std::string& name) {
  const auto at = std::lower_bound(
      xattrs.begin(), xattrs.end(), name,
      [](const auto& item, const std::string& wanted) { return item.first < wanted; });
  return at != xattrs.end() && at->first == name;
}

// Sets each of xattrs that now (sorted) does not hold as it is.
Status SetMissing(const XattrEntry& entry, const UserXattrs& xattrs, const UserXattrs& now,
                  uint32_t* lost) {
  for (const auto& item : xattrs) {
    if (std::binary_search(now.begin(), now.end(), item)) continue;
    const Status s = entry.Set(item.first, item.second);
    if (s.ok()) continue;
    if (!NotKept(s.code())) return s;
    *lost |= kMetaXattrs;
  }
  return Status::Ok();
}

}  // namespace

Status XattrEntry::Get(const std::string& name, std::string* value) const {
  return ReadSized(
      [&](char* buffer, size_t size) {
        return fd_ >= 0 ? ::fgetxattr(fd_, name.c_str(), buffer, size)
                        : ::lgetxattr(path_.c_str(), name.c_str(), buffer, size);
      },
      value);
}

Status XattrEntry::Set(const std::string& name, const std::string& value) const {
  return Answer(fd_ >= 0 ? ::fsetxattr(fd_, name.c_str(), value.data(), value.size(), 0)
                         : ::lsetxattr(path_.c_str(), name.c_str(), value.data(), value.size(), 0));
}

Status XattrEntry::Remove(const std::string& name) const {
  return Answer(fd_ >= 0 ? ::fremovexattr(fd_, name.c_str())
                         : ::lremovexattr(path_.c_str(), name.c_str()));
}

Status XattrEntry::List(std::string* names) const {
  return ReadSized(
      [&](char* buffer, size_t size) {
        return fd_ >= 0 ? ::flistxattr(fd_, buffer, size)
                        : ::llistxattr(path_.c_str(), buffer, size);
      },
      names);
}

bool NotKept(int code) {
  switch (code) {
    case ENOTSUP:
    case ENOSYS:
    case EPERM:
    case EINVAL:
    case E2BIG:
    case ERANGE:
      return true;
    default:
      return false;
  }
}

Status ReadAcl(const XattrEntry& entry, const char* name, std::optional<std::string>* acl) {
  std::string value;
  const Status s = entry.Get(name, &value);
  acl->reset();
  if (s.ok()) *acl = std::move(value);
  return NoneThere(s.code()) ? Status::Ok() : s;
}

Status WriteAcl(const XattrEntry& entry, const char* name, const std::optional<std::string>& acl,
                uint32_t* lost) {
  const Status s = acl.has_value() ? entry.Set(name, *acl) : entry.Remove(name);
  if (s.ok() || (!acl.has_value() && NoneThere(s.code()))) return Status::Ok();
  if (!NotKept(s.code())) return s;
  *lost |= kMetaAcls;
  return Status::Ok();
}

Status ReadUserXattrs(const XattrEntry& entry, UserXattrs* xattrs) {
  xattrs->clear();
  std::string names;
  Status s = entry.List(&names);
  if (!s.ok()) return NoneThere(s.code()) ? Status::Ok() : s;
  for (size_t pos = 0; pos < names.size();) {
    std::string name = names.c_str() + pos;  // the list is "name\0name\0..."
    pos += name.size() + 1;
    if (!name.starts_with(kUserNamespace)) continue;
    std::string value;
    s = entry.Get(name, &value);
    if (s.code() == ENODATA) continue;  // removed since it was listed
    if (!s.ok()) return s;
    xattrs->emplace_back(std::move(name), std::move(value));
  }
  std::sort(xattrs->begin(), xattrs->end());
  return Status::Ok();
}

Status WriteUserXattrs(const XattrEntry& entry, const UserXattrs& xattrs, uint32_t* lost) {
  UserXattrs now;
  Status s = ReadUserXattrs(entry, &now);
  if (!s.ok()) return s;
  for (const auto& item : now) {
    if (HasName(xattrs, item.first)) continue;
    s = entry.Remove(item.first);
    if (!s.ok() && s.code() != ENODATA) return s;
  }
  return SetMissing(entry, xattrs, now, lost);
}

Status AddUserXattrs(const XattrEntry& entry, const UserXattrs& xattrs, uint32_t* lost) {
  return SetMissing(entry, xattrs, {}, lost);
}

}  // namespace qv
