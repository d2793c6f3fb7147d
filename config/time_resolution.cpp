#include "config/time_resolution.h"

#include <initializer_list>

#include "config/registry_key.h"

namespace qv {

namespace {

struct Row {
  std::initializer_list<const char*> names;
  TTimeResolution resolution;
};

const Row kRows[] = {
    {{"ntfs", "nt", "ntfs3", "ext2", "ext3", "ext4", "xfs", "btrfs", "zfs", "f2fs", "jfs",
      "reiserfs", "nilfs2", "bcachefs", "tmpfs", "overlay"},
     {1, 1, false}},
    {{"fat", "fat32", "vfat", "msdos"}, {20'000'000, 20'000'000, false}},
    {{"udf"}, {10'000'000, 10, true}},
    {{"cdfs", "iso9660"}, {10'000'000, 10'000'000, true}},
};

constexpr TTimeResolution kOther = {10'000'000, 20'000'000, true};

}  // namespace

TTimeResolution DefaultTimeResolution(const std::string& fs_type) {
  const std::string name = LowerAscii(fs_type);
  for (const Row& row : kRows) {
    for (const char* known : row.names) {
      if (name == known) return row.resolution;
    }
  }
  return kOther;
}

}  // namespace qv
