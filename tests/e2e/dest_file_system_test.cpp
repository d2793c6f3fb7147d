// Destinations on file systems that keep less than the source has (root
// only): times cut to whole seconds, to 2038 or to the years of FAT, which
// must not make a scan copy and archive everything again; and a log that
// cannot be saved.
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "tests/e2e/tool_test.h"
#include "tests/support/sample_acl.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

using Kind = ScopedImageMount::Kind;

using DestFileSystemTest = ToolTest;
class CutTimesTest : public ToolTest, public ::testing::WithParamInterface<Kind> {};

// Files whose times the destination cannot keep as they are (nanoseconds,
// 1975, 2040): the second scan, with the destination mounted anew as a disk
// plugged in for it, copies and archives nothing.
TEST_P(CutTimesTest, SecondScanCopiesNothing) {
  ScopedImageMount drive(At("dst/"), GetParam());
  SKIP_UNLESS_MOUNTED(drive);
  AddMirror();
  for (const auto& [name, unix_seconds] : {std::pair{"fraction.txt", 1622505600L},
                                           {"ancient.txt", 157766400L},
                                           {"future.txt", 2208988800L}}) {
    WriteFile(At("src/") + name, name);
    const struct timespec times[2] = {{unix_seconds, 123456789}, {unix_seconds, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, (At("src/") + name).c_str(), times, 0), 0);
  }
  RunOk({"scan"});
  ASSERT_TRUE(drive.Remount());

  const std::string second = RunOk({"scan"});

  EXPECT_TRUE(Has(second, "\nCopied no files to ")) << second;
  EXPECT_FALSE(Has(second, "\nMoved ")) << second;
  auto copies = Listing(At("dst/"));
  copies.erase("lost+found/");  // made by mkfs.ext4
  EXPECT_EQ(copies, Listing(At("src/")));
}

INSTANTIATE_TEST_SUITE_P(DestFileSystem, CutTimesTest,
                         ::testing::Values(Kind::kExfat, Kind::kExt4SmallInodes),
                         [](const auto& param) {
                           return param.param == Kind::kExfat ? "Exfat" : "Ext4SmallInodes";
                         });

// A destination that keeps no ACLs or user attributes (exFAT through FUSE)
// still takes every file; one warning names what it did not keep, and the
// next scan neither copies nor updates anything for it.
TEST_F(DestFileSystemTest, FilesWithAclsAndAttributesAreCopiedToExfat) {
  ScopedImageMount drive(At("dst/"), Kind::kExfat);
  SKIP_UNLESS_MOUNTED(drive);
  AddMirror();
  const std::string acl = SampleAcl();
  MakeTree(At("src/"), {"acl.txt=acl.txt", "attr.txt=attr.txt", "sub/acl.txt=sub/acl.txt"});
  ASSERT_EQ(
      setxattr(At("src/acl.txt").c_str(), kAclAccessName, acl.data(), acl.size(), 0) |
          setxattr(At("src/sub/acl.txt").c_str(), kAclAccessName, acl.data(), acl.size(),
                   0) |
          setxattr(At("src/attr.txt").c_str(), "user.note", "n", 1, 0),
      0);

  const ToolRun first = Run({"scan"});

  EXPECT_EQ(first.code, 0) << first.out;
  for (const char* name : {"acl.txt", "attr.txt", "sub/acl.txt"}) {
    EXPECT_EQ(ReadFile(At("dst/") + name), name);
  }
  const std::string warning = "\nWarning: Destination " + At("dst/") + " did not keep ";
  EXPECT_TRUE(Has(first.out, warning)) << first.out;
  EXPECT_FALSE(Has(first.out.substr(first.out.find(warning) + 1), warning)) << "warned twice";
  EXPECT_TRUE(Has(first.out, "ACLs")) << first.out;
  EXPECT_TRUE(Has(first.out, "extended attributes")) << first.out;

  const std::string second = RunOk({"scan"});

  EXPECT_TRUE(Has(second, "\nCopied no files to ")) << second;
  EXPECT_FALSE(Has(second, "\nUpdated ")) << second;
}

// The log directory alone read-only (a read-only bind mount over it): the
// scan runs, the log it cannot save goes to standard error, and the failed
// save is one of the scan's errors.
TEST_F(DestFileSystemTest, LogThatCannotBeSavedGoesToStandardError) {
  AddMirror();
  WriteFile(At("src/a.txt"), "a");
  RunOk({"scan"});
  const std::string logs = At("dst/Quorvane archive/Logs");
  ScopedBindMount read_only(logs, logs, true);
  SKIP_UNLESS_MOUNTED(read_only);
  WriteFile(At("src/b.txt"), "b");

  const ToolRun run = Run({"scan"});

  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(ReadFile(At("dst/b.txt")), "b");
  EXPECT_TRUE(Has(run.out, "\nLogged no errors for this mirror\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "\nLogged 1 error for all mirrors during this scan\n")) << run.out;
  EXPECT_TRUE(Has(run.err, "\nCreated file " + At("dst/b.txt") + "\n")) << run.err;
  EXPECT_TRUE(Has(run.err, "\nError 30: Failed to save log file " + logs + "/")) << run.err;
}

}  // namespace
}  // namespace qv::testing
