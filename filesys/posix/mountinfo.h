#ifndef QUORVANE_FILESYS_POSIX_MOUNTINFO_H_
#define QUORVANE_FILESYS_POSIX_MOUNTINFO_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// One line of /proc/self/mountinfo, fields unescaped.
struct MountInfo {
  uint32_t dev_major = 0;
  uint32_t dev_minor = 0;
  std::string mount_point;  // as the kernel writes it: "/" or without a trailing "/"
  // The directory of the file system that is mounted there ("/" for the
  // whole file system, the bound directory for a bind mount).
  std::string root;
  std::string fs_type;
  std::string source;  // "/dev/sda1", "tmpfs", "server:/export", ...
};

// Parses the text of /proc/<pid>/mountinfo in its order (later lines are
// mounted over earlier ones). Lines that do not have the documented layout
// are skipped.
std::vector<MountInfo> ParseMountInfo(std::string_view text);

// The mount that holds the canonical (symlink-free, absolute) path: the
// longest mount point that contains it, preferring mounts of the device
// st_dev reports. Later lines win a tie. Null when none contains the path.
const MountInfo* FindMount(const std::vector<MountInfo>& mounts, const std::string& path,
                           uint32_t dev_major, uint32_t dev_minor);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_MOUNTINFO_H_
