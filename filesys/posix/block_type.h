#ifndef QUORVANE_FILESYS_POSIX_BLOCK_TYPE_H_
#define QUORVANE_FILESYS_POSIX_BLOCK_TYPE_H_

#include <string>

namespace qv {

// The type of the file system on a block device as its superblock tells it
// ("exfat", "ntfs", "vfat"), read with libblkid; "" when the device cannot
// be read (usual for an unprivileged user) or holds nothing libblkid knows.
// A FUSE driver's mount says only "fuseblk"; the rules of a file system's
// times follow what it is.
std::string BlockDeviceType(const std::string& device);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_BLOCK_TYPE_H_
