#ifndef QUORVANE_FILESYS_POSIX_XATTRS_H_
#define QUORVANE_FILESYS_POSIX_XATTRS_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "filesys/status.h"

namespace qv {

// Extended attributes of one entry, reached through an open descriptor or
// through a path whose last component is never followed. Answers are those
// of the *xattr calls.
class XattrEntry {
 public:
  explicit XattrEntry(int fd) : fd_(fd) {}
  explicit XattrEntry(std::string path) : path_(std::move(path)) {}

  Status Get(const std::string& name, std::string* value) const;
  Status Set(const std::string& name, const std::string& value) const;
  Status Remove(const std::string& name) const;
  // All names, each ended by a NUL.
  Status List(std::string* names) const;

 private:
  int fd_ = -1;
  std::string path_;
};

// A failure that says the file system keeps no such thing (ENOTSUP, ENOSYS),
// or refuses the value given (EPERM, EINVAL, or a value larger than it
// holds): the entry goes on without it.
bool NotKept(int code);

// The POSIX ACL stored under name ("system.posix_acl_access" or
// "system.posix_acl_default"); none where the file system has no ACLs.
Status ReadAcl(const XattrEntry& entry, const char* name, std::optional<std::string>* acl);
// Sets acl, or removes the entry's when it is absent. An ACL the file system
// does not keep adds kMetaAcls to *lost.
Status WriteAcl(const XattrEntry& entry, const char* name, const std::optional<std::string>& acl,
                uint32_t* lost);

using UserXattrs = std::vector<std::pair<std::string, std::string>>;

// The user.* attributes by name; none where the file system has none.
Status ReadUserXattrs(const XattrEntry& entry, UserXattrs* xattrs);
// Makes the entry's user.* attributes those of xattrs (sorted by name): what
// differs is set, what xattrs lacks removed. What the file system does not
// keep adds kMetaXattrs to *lost; the others are still written.
Status WriteUserXattrs(const XattrEntry& entry, const UserXattrs& xattrs, uint32_t* lost);
// The same for an entry that has none yet (a new file).
Status AddUserXattrs(const XattrEntry& entry, const UserXattrs& xattrs, uint32_t* lost);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_XATTRS_H_
