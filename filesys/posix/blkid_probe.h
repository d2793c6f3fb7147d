#ifndef QUORVANE_FILESYS_POSIX_BLKID_PROBE_H_
#define QUORVANE_FILESYS_POSIX_BLKID_PROBE_H_

#include <string>

namespace qv {

// The UUID and label that the superblock on a block device carries, read
// with libblkid (udev's /dev/disk links are missing in many containers and
// virtual machines). False when the device cannot be read, which is usual
// for an unprivileged user, or holds no file system libblkid knows; either
// may come back empty when the file system has none.
bool ProbeFileSystem(const std::string& device, std::string* uuid, std::string* label);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_BLKID_PROBE_H_
