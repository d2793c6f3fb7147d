#ifndef QUORVANE_FILESYS_POSIX_BLKID_PROBE_H_
#define QUORVANE_FILESYS_POSIX_BLKID_PROBE_H_

#include <string>

namespace qv {

// What the superblock on a block device says of its file system.
struct TBlockProbe {
  std::string type;  // "ext4", "exfat", "ntfs", ...
  std::string uuid;
  std::string label;
};

// Reads the superblock on a block device with libblkid (udev's /dev/disk
// links are missing in many containers and virtual machines, and a FUSE
// driver's mount says only "fuseblk"). False when the device cannot be read,
// which is usual for an unprivileged user, or holds no file system libblkid
// knows; any field may come back empty when the file system has none.
bool ProbeFileSystem(const std::string& device, TBlockProbe* found);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_BLKID_PROBE_H_
