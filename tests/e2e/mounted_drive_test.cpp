// Real file systems mounted for a test (root only): a destination drive that
// runs full, and a source disk that is no longer mounted.

#include <filesystem>
#include <optional>
#include <set>

#include "tests/e2e/tool_test.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

using MountedDriveTest = ToolTest;

// A drive holding two versions of a file has no room for a third: the
// oldest archive day goes and the scan completes.
TEST_F(MountedDriveTest, AFullDriveGivesUpTheOldestArchiveDay) {
  ScopedMount drive(At("dst"), "tmpfs", "size=8m");
  SKIP_UNLESS_MOUNTED(drive);
  AddMirror();
  const size_t size = 3'000'000;
  for (int version = 1; version <= 2; ++version) {
    WriteFile(At("src/a.bin"), RandomBytes(size, version));
    RunOk({"scan"});
  }
  // The first version moves to a day of an earlier scan.
  const std::string archive = At("dst/Quorvane archive/");
  std::string today;  // yyyy/mm/dd
  for (const auto& [path, hash] : Listing(archive)) {
    if (path.ends_with("/a.bin")) today = path.substr(0, 10);
  }
  MakeDirs(archive + "2020/01");
  fs::rename(archive + today, archive + "2020/01/01");
  fs::remove_all(archive + today.substr(0, 4));
  const std::string third = RandomBytes(size, 3);
  WriteFile(At("src/a.bin"), third);

  const ToolRun run = Run({"scan"});

  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_TRUE(Has(run.out, "\nRemoving day " + archive + "2020/01/01/\n")) << run.out;
  EXPECT_FALSE(PathExists(archive + "2020"));
  EXPECT_EQ(ReadFile(At("dst/a.bin")), third);
  std::multiset<std::string> archived;
  for (const auto& [path, hash] : Listing(archive)) {
    if (path.ends_with("/a.bin")) archived.insert(hash);
  }
  EXPECT_EQ(archived, std::multiset<std::string>{std::to_string(Hash(RandomBytes(size, 2)))});
}

// An empty mount point in place of the source disk must not read as a
// source whose files were all deleted.
TEST_F(MountedDriveTest, SourceDiskGoneCancelsTheMirrorUntilAccepted) {
  std::optional<ScopedMount> disk(std::in_place, At("src"), "tmpfs", "size=1m");
  SKIP_UNLESS_MOUNTED(*disk);
  AddMirror();
  WriteFile(At("src/a.txt"), "on the disk");
  RunOk({"scan"});
  const auto before = Listing(At("dst/"), true);
  disk.reset();
  ASSERT_TRUE(fs::is_empty(At("src")));

  const ToolRun cancelled = Run({"scan"});

  EXPECT_EQ(cancelled.code, 1);
  EXPECT_TRUE(Has(cancelled.out, "\nError: The source " + At("src/") +
                                     " is on another file system than at the last scan (was "
                                     "device "))
      << cancelled.out;
  EXPECT_TRUE(Has(cancelled.out, "). If this is intended, run: quorvane-cli mirror accept " +
                                     At("dst/") + "\nCanceling the mirror from "));
  EXPECT_EQ(Listing(At("dst/"), true), before);
  RunOk({"mirror", "accept", At("dst")});
  EXPECT_TRUE(Has(RunOk({"scan"}), "\nMoved " + At("dst/a.txt") + " to archive\n"));
}

}  // namespace
}  // namespace qv::testing
