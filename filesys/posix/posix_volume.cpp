// Volumes: the mount that holds a path, its label and UUID, free space.
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include "filesys/path_ops.h"
#include "filesys/posix/blkid_probe.h"
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

// The superblock knows best; udev's links stand in where it cannot be read.
// A FUSE driver's mount says only "fuseblk": the rules of a file system's
// times follow what its device holds.
void FillFromDevice(const MountInfo& mount, VolumeInfo* info) {
  info->fs_type = mount.fs_type;
  info->label.clear();
  info->uuid.clear();
  std::string device;
  if (mount.source.rfind("/dev/", 0) != 0 || !RealPath(mount.source, &device).ok()) return;
  TBlockProbe probe;
  if (ProbeFileSystem(device, &probe)) {
    if (mount.fs_type == "fuseblk" && !probe.type.empty()) info->fs_type = probe.type;
    info->uuid = probe.uuid;
    info->label = probe.label;
    return;
  }
  info->label = DiskLinkName("/dev/disk/by-label", device);
  info->uuid = DiskLinkName("/dev/disk/by-uuid", device);
}

uint64_t FileSystemId(const std::string& path) {
  struct statfs fs;
  if (::statfs(path.c_str(), &fs) != 0) return 0;
  uint64_t id = 0;
  static_assert(sizeof fs.f_fsid == sizeof id);
  std::memcpy(&id, &fs.f_fsid, sizeof id);
  return id;
}

FileTime BirthTime(const std::string& path) {
  struct statx stx;
  if (::statx(AT_FDCWD, path.c_str(), AT_NO_AUTOMOUNT, STATX_BTIME, &stx) != 0 ||
      (stx.stx_mask & STATX_BTIME) == 0) {
    return 0;
  }
  return ToFileTime(stx.stx_btime.tv_sec, stx.stx_btime.tv_nsec);
}

void FillVolume(const MountInfo& mount, VolumeInfo* info) {
  info->mount_point = IncludeTrailingSeparator(mount.mount_point);
  info->supports_compression = mount.fs_type == "btrfs";
  struct stat st;
  info->device = ::stat(mount.mount_point.c_str(), &st) == 0
                     ? st.st_dev
                     : makedev(mount.dev_major, mount.dev_minor);
  FillFromDevice(mount, info);
  info->fsid = FileSystemId(mount.mount_point);
  info->mount_source = mount.source;
  info->mount_root = mount.root;
  info->root_birth_time = BirthTime(mount.mount_point);
}

// The mount's root field joined with the part of canonical below the mount
// point and with rest; ends with "/".
std::string PathInFileSystem(const MountInfo& mount, const std::string& canonical,
                             const std::string& rest) {
  std::string below =
      mount.mount_point == "/" ? canonical : canonical.substr(mount.mount_point.size());
  std::string path = ExcludeTrailingSeparator(mount.root);
  if (path == "/") path.clear();
  return IncludeTrailingSeparator(path + below + rest);
}

Status ReadMounts(std::vector<MountInfo>* mounts) {
  std::string text;
  Status s = ReadWholeFile("/proc/self/mountinfo", &text);
  if (s.ok()) *mounts = ParseMountInfo(text);
  return s;
}

// What holds path: its nearest existing entry (path itself, or a parent)
// with its stat and canonical path, and the mount that holds that.
struct TMountOf {
  std::string existing;
  std::string canonical;
  struct stat st;
  std::vector<MountInfo> mounts;
  const MountInfo* mount = nullptr;
};

Status FindMountOf(const std::string& path, TMountOf* of) {
  Status s = StatNearestExisting(path, &of->existing, &of->st);
  if (s.ok()) s = RealPath(of->existing, &of->canonical);
  if (s.ok()) s = ReadMounts(&of->mounts);
  if (!s.ok()) return s;
  of->mount = FindMount(of->mounts, of->canonical, major(of->st.st_dev), minor(of->st.st_dev));
  return of->mount != nullptr ? Status::Ok() : Status::FromErrno(ENOENT);
}

}  // namespace

Status PosixPlatform::GetVolume(const std::string& path, VolumeInfo* info) {
  TMountOf of;
  const Status s = FindMountOf(path, &of);
  if (s.ok()) FillVolume(*of.mount, info);
  return s;
}

Status PosixPlatform::LocatePath(const std::string& path, PathPlace* place) {
  TMountOf of;
  const Status s = FindMountOf(path, &of);
  if (!s.ok()) return s;
  const std::string entry = EntryPath(path);
  place->device = of.st.st_dev;
  place->inode = of.existing == entry ? of.st.st_ino : 0;
  place->fs_path = PathInFileSystem(*of.mount, of.canonical, entry.substr(of.existing.size()));
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
