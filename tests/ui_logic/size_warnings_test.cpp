#include "ui/logic/size_warnings.h"

#include <gtest/gtest.h>

#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/text_format.h"
#include "tests/support/temp_dir.h"
#include "tests/ui_logic/cell_test_platform.h"

namespace qv::testing {
namespace {

constexpr int64_t kMB = 1048576;
constexpr int64_t kGB = 1024 * kMB;

std::string Size(int64_t bytes) { return SizeText(bytes, 2); }

TEST(SizeWarningsTest, MaximumSizesAgainstTheStoredSizesOfMirrorAndArchive) {
  const TStoredSizes stored{TCounts{1, 1, 10 * kGB, 6 * kGB}, TCounts{1, 1, 4 * kGB, 2 * kGB}};
  const std::string d = "/bk/";
  const auto smaller = [&](const std::string& kind, int64_t value, int64_t current) {
    return "The maximum" + kind + " size of " + Size(value) + " for destination " + d +
           " is smaller than the current" + kind + " size of " + Size(current) +
           ". If you set it, then with the next scan at least " + Size(current - value) +
           " will be removed from the archive. Do you want to set it anyway?";
  };
  const auto too_small = [&](const std::string& kind, int64_t value, int64_t current) {
    return "The maximum" + kind + " size of " + Size(value) +
           " is too small to hold the current destination of " + Size(current) +
           ". If you set it, then with the next scan the archive of this destination will be "
           "removed and the scan might fail due to lack of space. Are you sure you want to set "
           "it anyway?";
  };
  const struct {
    TSizeLimit limit;
    int64_t value;
    TStoredSizes sizes;
    std::string message;
    bool each_time;
  } cases[] = {
      {TSizeLimit::kArchive,
       16 * kMB - 1,
       {},
       "The maximum archive size of " + Size(16 * kMB - 1) + " for destination " + d +
           " is small for archiving and normally it should be set much higher. Any size smaller "
           "than 16.00 MB is considered to be too small. Do you want to set it anyway?",
       false},
      {TSizeLimit::kArchive, 0, {}, "", false},  // 0 is no "small" archive, but it empties it:
      {TSizeLimit::kArchive, 0, stored, smaller(" archive", 0, 4 * kGB), false},
      {TSizeLimit::kArchive, 3 * kGB, stored, smaller(" archive", 3 * kGB, 4 * kGB), false},
      {TSizeLimit::kCompressedArchive, 1 * kGB, stored,
       smaller(" compressed archive", 1 * kGB, 2 * kGB), false},
      {TSizeLimit::kCompressedArchive, 3 * kGB, stored, "", false},
      {TSizeLimit::kArchive, 1 * kGB, {}, "", false},  // no archive information
      {TSizeLimit::kMirror, 10 * kGB, stored, too_small("", 10 * kGB, 10 * kGB), true},
      {TSizeLimit::kMirror, 12 * kGB, stored, smaller("", 12 * kGB, 14 * kGB), false},
      {TSizeLimit::kMirror, 14 * kGB, stored, "", false},
      {TSizeLimit::kCompressedMirror, 5 * kGB, stored, too_small(" compressed", 5 * kGB, 6 * kGB),
       true},
      {TSizeLimit::kMirror, 1 * kGB, {}, "", false},  // nothing stored
  };
  for (const auto& c : cases) {
    const TCellVerdict verdict = CheckMaximumSize(c.limit, c.value, d, c.sizes, {});
    EXPECT_EQ(verdict.message, c.message) << Size(c.value);
    EXPECT_EQ(verdict.ask_each_time, c.each_time) << Size(c.value);
    if (verdict.ok()) {
      EXPECT_EQ(verdict.text, Size(c.value));
    }
  }
}

TEST(SizeWarningsTest, MinimalFreeBytesAgainstTheDrive) {
  const TDriveSpace drive{"/media/usb/", 2 * kGB, 8 * kGB};
  const std::string v9 = Size(9 * kGB);
  const std::string v3 = Size(3 * kGB);
  const struct {
    int64_t value;
    std::optional<TDriveSpace> drive;
    std::string message;
  } cases[] = {
      {9 * kGB, drive,
       "The minimal number of free bytes of " + v9 +
           " is larger than the reported size of drive /media/usb/ (8.00 GB). If you set this "
           "number of bytes then with the next scan all enabled archives located on drive "
           "/media/usb/ will be removed. Are you really sure you want to set it and remove all "
           "enabled archives from drive /media/usb/?"},
      {3 * kGB, drive,
       "The minimal number of free bytes of " + v3 +
           " for drive /media/usb/ is larger than the current number of free bytes (2.00 GB). If "
           "you set this number of bytes then with the next scan 1.00 GB will be removed from the "
           "enabled archives located on drive /media/usb/. Do you want to set it to " +
           v3 + " and remove 1.00 GB from the archives located on drive /media/usb/?"},
      {2 * kGB, drive, ""},
      {0, drive, ""},
      {9 * kGB, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckMinFreeBytes(c.value, c.drive, {}).message, c.message) << Size(c.value);
  }
}

TEST(SizeWarningsTest, StoredSizesAndDriveSpaceAreReadWhereTheScanLeftThem) {
  ScopedTempDir dir;
  CellTestPlatform platform;
  TQVIniFile ini(platform, dir / "settings.db", 50);
  const TMapping mapping(ini, "/bk/");
  ASSERT_TRUE(ini.WriteCounters(mapping.archive_key(), {3, 1, 300, 200}));
  const TStoredSizes sizes = ReadStoredSizes(ini, "/bk/");
  EXPECT_EQ(sizes.mirror, std::nullopt);
  ASSERT_TRUE(sizes.archive);
  EXPECT_EQ(sizes.archive->compressed_size, 200);
  platform.volumes = {{"/media/usb/", {"vfat", false, 5, 9}}};
  const std::optional<TDriveSpace> space = DriveSpaceOf(platform, "/media/usb/bk/");
  ASSERT_TRUE(space);
  EXPECT_EQ(std::tuple(space->drive, space->free_bytes, space->total_bytes),
            std::tuple("/media/usb/", 5, 9));
  EXPECT_FALSE(DriveSpaceOf(platform, "/elsewhere/"));
}

}  // namespace
}  // namespace qv::testing
