// Destinations on file systems that keep less than the source has (root
// only): times cut to whole seconds, to 2038 or to the years of FAT, which
// must not make a scan copy and archive everything again; and a destination
// that turned read-only.
#include <ctime>
#include <filesystem>
#include <string>

#include <sys/mount.h>
#include <unistd.h>

#include "tests/e2e/tool_test.h"
#include "tests/support/scoped_image.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

// Sets the write time of path to the given UTC time plus nanoseconds.
void SetWriteTime(const std::string& path, int year, int month, int day, long nanoseconds) {
  std::tm utc{};
  utc.tm_year = year - 1900;
  utc.tm_mon = month - 1;
  utc.tm_mday = day;
  const struct timespec times[2] = {{timegm(&utc), nanoseconds}, {timegm(&utc), nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class DestFileSystemTest : public ToolTest {
 protected:
  // Writes files whose times the destination cannot keep as they are, runs
  // two scans with the destination mounted anew between them (as a disk is
  // plugged in for each backup), and expects the second to copy nothing.
  void ExpectSecondScanCopiesNothing(ScopedImageMount& drive, const std::string& first_lines);
};

void DestFileSystemTest::ExpectSecondScanCopiesNothing(ScopedImageMount& drive,
                                                       const std::string& first_lines) {
  DestFileSystemTest& t = *this;
  t.AddMirror();
  WriteFile(t.At("src/fraction.txt"), "now");
  SetWriteTime(t.At("src/fraction.txt"), 2021, 6, 1, 123456789);
  WriteFile(t.At("src/ancient.txt"), "1975");
  SetWriteTime(t.At("src/ancient.txt"), 1975, 1, 1, 0);
  WriteFile(t.At("src/future.txt"), "2040");
  SetWriteTime(t.At("src/future.txt"), 2040, 1, 1, 0);
  const std::string first = t.RunOk({"scan"});
  EXPECT_TRUE(Has(first, first_lines)) << first;
  EXPECT_TRUE(Has(first, "\nCopied 3 files of 11 bytes to ")) << first;
  ASSERT_TRUE(drive.Remount());

  const std::string second = t.RunOk({"scan"});

  EXPECT_TRUE(Has(second, "\nCopied no files to ")) << second;
  EXPECT_FALSE(Has(second, "\nMoved ")) << second;
  auto copies = Listing(t.At("dst/"));
  copies.erase("lost+found/");  // made by mkfs.ext4
  EXPECT_EQ(copies, Listing(t.At("src/")));
}

TEST_F(DestFileSystemTest, ExfatKeepsWholeSecondsFrom1980To2107InLocalTime) {
  ScopedImageMount exfat(At("exfat.img"), At("dst/"), ScopedImageMount::Kind::kExfat);
  SKIP_UNLESS_IMAGE_MOUNTED(exfat);
  ExpectSecondScanCopiesNothing(exfat,
                                "\nUsing write time resolution of 2 sec\nVerify of write time is "
                                "enabled\nDestination drive " +
                                    At("dst/") + " keeps write times from ");
}

TEST_F(DestFileSystemTest, Ext4WithSmallInodesKeepsWholeSecondsUpTo2038) {
  ScopedImageMount ext4(At("ext4.img"), At("dst/"), ScopedImageMount::Kind::kExt4SmallInodes);
  SKIP_UNLESS_IMAGE_MOUNTED(ext4);
  ExpectSecondScanCopiesNothing(ext4, "\nUsing write time resolution of 1 sec\nDestination drive " +
                                          At("dst/") + " keeps write times up to 2038/01/");
}

// A destination that turned read-only since the last scan: one error, the
// mirror is cancelled, and the log that cannot go into its archive goes to
// standard error.
TEST_F(DestFileSystemTest, ReadOnlyDestinationCancelsItsMirror) {
  ScopedMount tmpfs(At("dst/"), "tmpfs", "size=4m");
  SKIP_UNLESS_MOUNTED(tmpfs);
  AddMirror();
  WriteFile(At("src/a.txt"), "a");
  RunOk({"scan"});
  ASSERT_EQ(mount(nullptr, tmpfs.dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  WriteFile(At("src/b.txt"), "b");

  const ToolRun run = Run({"scan"});

  EXPECT_EQ(run.code, 1);
  const std::string line =
      "\nError 30: Could not write to destination " + At("dst/") + ". Read-only file system\n";
  EXPECT_TRUE(Has(run.out, line + "Canceling this mirror.\n")) << run.out;
  EXPECT_TRUE(Has(run.err, line)) << run.err;
  EXPECT_TRUE(Has(run.err, "\nError 30: Failed to save log file " + At("dst/"))) << run.err;
  EXPECT_FALSE(fs::exists(At("dst/b.txt")));
}

// The log directory alone read-only (a read-only bind mount over it): the
// scan runs, the log it cannot save goes to standard error, and the failed
// save is one of the scan's errors.
TEST_F(DestFileSystemTest, LogThatCannotBeSavedGoesToStandardError) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a bind mount";
  AddMirror();
  WriteFile(At("src/a.txt"), "a");
  RunOk({"scan"});
  const std::string logs = At("dst/Quorvane archive/Logs");
  ASSERT_EQ(mount(logs.c_str(), logs.c_str(), nullptr, MS_BIND, nullptr), 0);
  const int remounted =
      mount(nullptr, logs.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr);
  WriteFile(At("src/b.txt"), "b");

  const ToolRun run = Run({"scan"});
  umount2(logs.c_str(), MNT_DETACH);

  ASSERT_EQ(remounted, 0);
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(ReadFile(At("dst/b.txt")), "b");
  EXPECT_TRUE(Has(run.out, "\nLogged no errors for this mirror\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "\nLogged 1 error for all mirrors during this scan\n")) << run.out;
  EXPECT_TRUE(Has(run.err, "\nCreated file " + At("dst/b.txt") + "\n")) << run.err;
  EXPECT_TRUE(Has(run.err, "\nError 30: Failed to save log file " + logs + "/")) << run.err;
}

}  // namespace
}  // namespace qv::testing
