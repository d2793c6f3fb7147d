#include "config/time_resolution.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "filesys/file_times.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

// 1980-01-01 00:00:00 and 2107-12-31 23:59:59, the range of FAT and exFAT
// time stamps. They hold local times; the ends are taken as UTC, which moves
// them by the zone's offset at most.
constexpr FileTime kFatEarliest = 11960006400LL * kFileTimeTicksPerSecond;
constexpr FileTime kFatLatest = 15999292799LL * kFileTimeTicksPerSecond;
constexpr int64_t kHour = 3600 * kFileTimeTicksPerSecond;

struct Row {
  std::initializer_list<const char*> names;
  TTimeResolution resolution;
};

const Row kRows[] = {
    {{"ntfs", "nt", "ntfs3", "ext2", "ext3", "ext4", "xfs", "btrfs", "zfs", "f2fs", "jfs",
      "reiserfs", "nilfs2", "bcachefs", "tmpfs", "overlay"},
     {1, 1, false}},
    {{"fat", "fat32", "vfat", "msdos"},
     {20'000'000, 20'000'000, false, kFatEarliest, kFatLatest, true}},
    {{"udf"}, {10'000'000, 10, true}},
    {{"cdfs", "iso9660"}, {10'000'000, 10'000'000, true}},
    {{"exfat"}, {10'000'000, 20'000'000, true, kFatEarliest, kFatLatest, true}},
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

bool WriteTimesEqual(FileTime source, FileTime dest, const TTimeResolution& resolution) {
  if (source != 0 && resolution.earliest != 0) source = std::max(source, resolution.earliest);
  if (resolution.latest != 0) source = std::min(source, resolution.latest);
  if (TimesEqual(source, dest, resolution.write)) return true;
  if (!resolution.local_time) return false;
  const int64_t apart = std::llabs(source - dest);
  return std::llabs(apart - kHour) < resolution.write;
}

TContentMatch CompareContent(const FileInfo& source, const FileInfo& dest,
                             const TTimeResolution& resolution) {
  constexpr uint32_t kKindAttributes = kAttrReparsePoint | kAttrDevice;
  if (((source.attributes ^ dest.attributes) & kKindAttributes) != 0 ||
      !WriteTimesEqual(source.last_write_time, dest.last_write_time, resolution)) {
    return TContentMatch::kWriteTime;
  }
  return source.size != dest.size ? TContentMatch::kSize : TContentMatch::kSame;
}

}  // namespace qv
