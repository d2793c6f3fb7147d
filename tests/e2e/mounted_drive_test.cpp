// Real file systems mounted for a test (root only): a destination drive that
// runs full, and a source disk that is no longer mounted.

#include <filesystem>
#include <optional>

#include "tests/e2e/tool_test.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

using MountedDriveTest = ToolTest;

// The old version going to the archive, an older archive day and the new
// version do not fit together: the older day goes and the scan completes.
TEST_F(MountedDriveTest, AFullDriveGivesUpTheOldestArchiveDay) {
  ScopedMount drive(At("dst"), "tmpfs", "size=8m");
  SKIP_UNLESS_MOUNTED(drive);
  AddMirror();
  const size_t size = 3'000'000;
  WriteFile(At("src/a.bin"), RandomBytes(size, 1));
  RunOk({"scan"});
  const std::string archive = At("dst/Quorvane archive/");
  MakeTree(archive, {"2020/01/01/10 00 00/old.bin=" + RandomBytes(size, 0)});
  const std::string second = RandomBytes(size, 2);
  WriteFile(At("src/a.bin"), second);

  const ToolRun run = Run({"scan"});

  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_TRUE(Has(run.out, "\nRemoving day " + archive + "2020/01/01/\n")) << run.out;
  EXPECT_FALSE(PathExists(archive + "2020"));
  EXPECT_EQ(ReadFile(At("dst/a.bin")), second);
  std::string archived;
  for (const auto& [path, hash] : Listing(archive)) {
    if (path.ends_with("/a.bin")) archived += hash;
  }
  EXPECT_EQ(archived, std::to_string(Hash(RandomBytes(size, 1))));
}

// An empty mount point in place of the source disk must not read as a
// source whose files were all deleted.
TEST_F(MountedDriveTest, SourceDiskGoneCancelsTheMirror) {
  std::optional<ScopedMount> disk(std::in_place, At("src"), "tmpfs", "size=1m");
  SKIP_UNLESS_MOUNTED(*disk);
  AddMirror();
  WriteFile(At("src/a.txt"), "on the disk");
  RunOk({"scan"});
  const auto before = Listing(At("dst/"), true);
  disk.reset();
  ASSERT_TRUE(std::filesystem::is_empty(At("src")));

  const ToolRun cancelled = Run({"scan"});

  EXPECT_EQ(cancelled.code, 1);
  EXPECT_TRUE(Has(cancelled.out, "\nError: The source " + At("src/") +
                                     " is on another file system than at the last scan (was "
                                     "fsid "))
      << cancelled.out;
  EXPECT_TRUE(Has(cancelled.out, "\nCanceling the mirror from " + At("src/")));
  EXPECT_EQ(Listing(At("dst/"), true), before);
}

}  // namespace
}  // namespace qv::testing
