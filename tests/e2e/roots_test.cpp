// The roots of a mirror on real file systems, through the built tool: links
// and bind mounts over a root, another volume on the same device or mount
// point, a source disk no longer mounted, an archive removed by hand, an
// inner volume not mounted.

#include <filesystem>
#include <optional>

#include "tests/e2e/tool_test.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

class RootsToolTest : public ToolTest {
 protected:
  // A scan that the changed root cancels: status 1, the error, and nothing
  // written to the destination.
  void ExpectCancelled(const std::string& error_part) {
    const auto before = Listing(At("dst/"), true);
    const ToolRun run = Run({"scan"});
    EXPECT_EQ(run.code, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "\nError: " + error_part)) << run.out;
    EXPECT_EQ(Listing(At("dst/"), true), before);
  }
  std::string Accept() { return RunOk({"mirror", "accept", At("dst")}); }
};

TEST_F(RootsToolTest, ALinkOrABindMountOverTheSourceRootIsAnotherSource) {
  MakeTree(At(""), {"data/a.txt=a", "other/b.txt=b", "src->data"});
  AddMirror();
  RunOk({"scan"});
  EXPECT_EQ(ReadFile(At("dst/a.txt")), "a");

  fs::remove(At("src"));
  fs::create_directory_symlink(At("other"), At("src"));
  ExpectCancelled("The source " + At("src/") + " is another directory than at the last scan");
  fs::remove(At("src"));
  fs::create_directory_symlink(At("data"), At("src"));

  ScopedBindMount over(At("other"), At("data"));
  SKIP_UNLESS_MOUNTED(over);
  ExpectCancelled("The source " + At("src/") + " is on another file system than at the last scan");
}

// A new file system on the same loop device looks the same by device number
// and root inode; its UUID tells it apart.
TEST_F(RootsToolTest, TwoExt4FileSystemsOnOneLoopDevice) {
  ScopedImageMount disk(At("dst"), ScopedImageMount::Kind::kExt4);
  SKIP_UNLESS_MOUNTED(disk);
  AddMirror();
  WriteFile(At("src/a.txt"), "a");
  RunOk({"scan"});
  ASSERT_TRUE(disk.Reformat());
  ExpectCancelled("The destination " + At("dst/") +
                  " is on another file system than at the last scan (was uuid ");
  EXPECT_EQ(Accept(), "Accepted the destination " + At("dst/") + " as it is now\n" +
                          "Accepted that the archive " + At("dst/") +
                          "Quorvane archive/ is gone: its counters and last time slot are "
                          "reset\n");
}

// Two tmpfs instances have no UUID and one device number may serve both;
// an unmounted source disk leaves an empty mount point, which must not read
// as a source whose files were all deleted.
TEST_F(RootsToolTest, TmpfsRootsReplacedOrUnmounted) {
  std::optional<ScopedMount> source(std::in_place, At("src"), "tmpfs", "size=1m");
  std::optional<ScopedMount> dest(std::in_place, At("dst"), "tmpfs", "size=4m");
  SKIP_UNLESS_MOUNTED(*dest);
  AddMirror();
  WriteFile(At("src/a.txt"), "on the disk");
  RunOk({"scan"});

  dest.emplace(At("dst"), "tmpfs", "size=4m");
  ExpectCancelled("The destination " + At("dst/") +
                  " is on another file system than at the last scan (was fsid ");
  Accept();
  RunOk({"scan"});

  source.reset();
  ExpectCancelled("The source " + At("src/") +
                  " is on another file system than at the last scan (was fsid ");
  EXPECT_EQ(ReadFile(At("dst/a.txt")), "on the disk");
}

// Counting on from the stored counters would make them negative.
TEST_F(RootsToolTest, AnArchiveRemovedByHandWaitsForAccept) {
  AddMirror();
  WriteFile(At("src/a.txt"), "1");
  RunOk({"scan"});
  fs::remove_all(At("dst/Quorvane archive"));
  WriteFile(At("src/a.txt"), "22");
  ExpectCancelled("The archive " + At("dst/Quorvane archive/") + " is missing");
  Accept();
  const std::string out = RunOk({"scan"});
  EXPECT_TRUE(Has(out, "\nThe archive grew with 5 directories and 1 file of 1 bytes\n")) << out;
  EXPECT_TRUE(Has(out, "\nThe archive now contains 6 directories and 1 file of 1 bytes\n"));
}

// An inner volume that is not mounted at the next scan leaves its empty
// mount point behind, or none (a desktop removes it): neither is a directory
// whose files were deleted.
TEST_F(RootsToolTest, AnInnerTmpfsThatIsNotMountedKeepsItsDestination) {
  AddMirror();
  for (const bool removed : {false, true}) {
    SCOPED_TRACE(removed ? "mount point removed" : "mount point left");
    std::optional<ScopedMount> inner(std::in_place, At("src/inner"), "tmpfs", "size=1m");
    SKIP_UNLESS_MOUNTED(*inner);
    WriteFile(At("src/inner/i.txt"), "i");
    RunOk({"scan"});
    inner.reset();
    if (removed) fs::remove(At("src/inner"));
    WriteFile(At("src/top.txt"), removed ? "t2" : "t1");

    const ToolRun run = Run({"scan"});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(Has(run.out, "\nError: The source directory " + At("src/inner/") +
                                 " was a mount point at the last scan and is not one now"))
        << run.out;
    EXPECT_EQ(ReadFile(At("dst/inner/i.txt")), "i");
    EXPECT_EQ(ReadFile(At("dst/top.txt")), removed ? "t2" : "t1");
  }
  EXPECT_EQ(Accept(), "Accepted that " + At("src/inner/") + " is no longer a mount point\n");
  RunOk({"scan"});
  EXPECT_FALSE(PathExists(At("dst/inner")));
}

}  // namespace
}  // namespace qv::testing
