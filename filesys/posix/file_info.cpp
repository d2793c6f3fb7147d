#include "filesys/posix/file_info.h"

#include <fcntl.h>
#include <sys/sysmacros.h>

#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

// Everything the attribute word and FileInfo need.
constexpr unsigned kStatMask = STATX_BASIC_STATS;

bool IsHiddenName(std::string_view leaf) {
  return !leaf.empty() && leaf[0] == '.' && leaf != "." && leaf != "..";
}

bool LinkLeadsToDirectory(int dir_fd, const char* name) {
  struct statx target;
  return ::statx(dir_fd, name, AT_NO_AUTOMOUNT, STATX_TYPE, &target) == 0 &&
         S_ISDIR(target.stx_mode);
}

uint32_t TypeAttributes(int dir_fd, const char* name, mode_t mode) {
  if (S_ISDIR(mode)) return kAttrDirectory;
  if (S_ISLNK(mode)) {
    return LinkLeadsToDirectory(dir_fd, name) ? kAttrReparsePoint | kAttrDirectory
                                              : kAttrReparsePoint;
  }
  if (S_ISFIFO(mode) || S_ISSOCK(mode) || S_ISCHR(mode) || S_ISBLK(mode)) return kAttrDevice;
  return 0;
}

}  // namespace

Status StatEntry(int dir_fd, const char* name, struct statx* stx, unsigned extra) {
  if (::statx(dir_fd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatMask | extra, stx) != 0) {
    return ErrnoStatus();
  }
  return Status::Ok();
}

void FillFileInfo(int dir_fd, const char* name, std::string_view leaf, const struct statx& stx,
                  FileInfo* info) {
  const mode_t mode = stx.stx_mode;
  const auto allocated = static_cast<int64_t>(stx.stx_blocks) * 512;
  const auto size = static_cast<int64_t>(stx.stx_size);
  uint32_t attributes = TypeAttributes(dir_fd, name, mode);
  if (IsHiddenName(leaf)) attributes |= kAttrHidden;
  if (!S_ISLNK(mode) && (mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  if (S_ISREG(mode) && allocated < size) attributes |= kAttrSparse;
  if ((stx.stx_attributes_mask & stx.stx_attributes & STATX_ATTR_COMPRESSED) != 0) {
    attributes |= kAttrCompressed;
  }

  info->attributes = attributes;
  info->reparse_tag = S_ISLNK(mode) ? kReparseTagSymlink : 0;
  info->creation_time = 0;
  info->last_access_time = ToFileTime(stx.stx_atime.tv_sec, stx.stx_atime.tv_nsec);
  info->last_write_time = ToFileTime(stx.stx_mtime.tv_sec, stx.stx_mtime.tv_nsec);
  info->change_time = ToFileTime(stx.stx_ctime.tv_sec, stx.stx_ctime.tv_nsec);
  // A directory's st_size measures its index blocks, not content; 0 keeps it
  // out of every size total and comparison.
  info->size = S_ISDIR(mode) ? 0 : size;
  info->size_on_disk = (attributes & (kAttrSparse | kAttrCompressed)) != 0 ? allocated : info->size;
  info->mode = mode;
  info->uid = stx.stx_uid;
  info->gid = stx.stx_gid;
  info->device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
  info->inode = stx.stx_ino;
  info->link_count = stx.stx_nlink;
}

void FillBirthTime(const struct statx& stx, FileInfo* info) {
  info->birth_known = (stx.stx_mask & STATX_BTIME) != 0;
  info->birth_time =
      info->birth_known ? ToFileTime(stx.stx_btime.tv_sec, stx.stx_btime.tv_nsec) : 0;
}

}  // namespace qv
