// Volumes: the mount that holds a path, its label and UUID, free space.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include "filesys/path_ops.h"
#include "filesys/posix/block_type.h"
#include "filesys/posix/disk_links.h"
#include "filesys/posix/mountinfo.h"
#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

std::string ParentOf(const std::string& entry) {
  const size_t slash = entry.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : entry.substr(0, slash);
}

// stat of path, or of its nearest existing parent when path does not exist
// (yet). Links are followed: the volume is where data written there lands.
Status StatNearestExisting(const std::string& path, std::string* existing, struct stat* st) {
  std::string current = EntryPath(path);
  for (;;) {
    if (::stat(current.c_str(), st) == 0) {
      *existing = current;
      return Status::Ok();
    }
    Status s = ErrnoStatus();
    if (s.cond() != Cond::kNotFound || current == "/" || current == ".") return s;
    current = ParentOf(current);
  }
}

// The type a mount names, or for a FUSE driver on a block device what the
// device holds.
std::string FileSystemType(const MountInfo& mount) {
  if (mount.fs_type != "fuseblk") return mount.fs_type;
  const std::string held = BlockDeviceType(mount.source);
  return held.empty() ? mount.fs_type : held;
}

void FillVolume(const MountInfo& mount, VolumeInfo* info) {
  info->mount_point = IncludeTrailingSeparator(mount.mount_point);
  info->fs_type = FileSystemType(mount);
  info->supports_compression = mount.fs_type == "btrfs";
  struct stat st;
  info->device = ::stat(mount.mount_point.c_str(), &st) == 0
                     ? st.st_dev
                     : makedev(mount.dev_major, mount.dev_minor);
  std::string device;
  if (mount.source.rfind("/dev/", 0) == 0 && RealPath(mount.source, &device).ok()) {
    info->label = DiskLinkName("/dev/disk/by-label", device);
    info->uuid = DiskLinkName("/dev/disk/by-uuid", device);
  } else {
    info->label.clear();
    info->uuid.clear();
  }
}

Status ReadMounts(std::vector<MountInfo>* mounts) {
  std::string text;
  Status s = ReadWholeFile("/proc/self/mountinfo", &text);
  if (s.ok()) *mounts = ParseMountInfo(text);
  return s;
}

}  // namespace

Status PosixPlatform::GetVolume(const std::string& path, VolumeInfo* info) {
  std::string existing;
  std::string canonical;
  struct stat st;
  std::vector<MountInfo> mounts;
  Status s = StatNearestExisting(path, &existing, &st);
  if (s.ok()) s = RealPath(existing, &canonical);
  if (s.ok()) s = ReadMounts(&mounts);
  if (!s.ok()) return s;
  const MountInfo* mount = FindMount(mounts, canonical, major(st.st_dev), minor(st.st_dev));
  if (mount == nullptr) return Status::FromErrno(ENOENT);
  FillVolume(*mount, info);
  return Status::Ok();
}

Status PosixPlatform::FreeSpace(const std::string& path, int64_t* free_bytes,
                                int64_t* total_bytes) {
  struct statvfs vfs;
  if (::statvfs(path.c_str(), &vfs) != 0) return ErrnoStatus();
  *free_bytes = static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
  *total_bytes = static_cast<int64_t>(vfs.f_blocks) * static_cast<int64_t>(vfs.f_frsize);
  return Status::Ok();
}

Status PosixPlatform::ListMounts(std::vector<MountEntry>* mounts) {
  std::vector<MountInfo> parsed;
  Status s = ReadMounts(&parsed);
  if (!s.ok()) return s;
  mounts->clear();
  for (const MountInfo& mount : parsed) {
    mounts->push_back(MountEntry{IncludeTrailingSeparator(mount.mount_point), mount.fs_type});
  }
  return Status::Ok();
}

}  // namespace qv
