#ifndef QUORVANE_FILESYS_POSIX_DISK_LINKS_H_
#define QUORVANE_FILESYS_POSIX_DISK_LINKS_H_

#include <string>

namespace qv {

// The name of the link in dir (udev's /dev/disk/by-label, /dev/disk/by-uuid)
// that leads to the canonical device path, with udev's "\xNN" escapes
// decoded; "" when no link does or dir is missing.
std::string DiskLinkName(const std::string& dir, const std::string& device);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_DISK_LINKS_H_
