// A tree deeper than any path the system accepts, scanned by the tool with a
// small stack: every walk down a tree (the mirror's, the counts of excluded
// directories and of the archive, the removal of a destination directory
// entry by entry, the archive's folders and its removal of a day) keeps its
// own stack on the heap, and a path too long is an error line for that item.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/e2e/tool_test.h"
#include "tests/support/text_search.h"

namespace qv::testing {
namespace {

constexpr int kLevels = 5000;
constexpr int kFileEvery = 100;  // level i holds a file "f" when i % kFileEvery == 0

// Below dir, the chain d/d/d/... and its files. Its paths are too long to be
// named whole, so it is made and read through descriptors, level by level.
void MakeChain(const std::string& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int level = 0; level < kLevels && fd >= 0; ++level) {
    if (level % kFileEvery == 0) {
      const int file = openat(fd, "f", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      EXPECT_TRUE(file >= 0 && write(file, "f", 1) == 1) << level;
      close(file);
    }
    EXPECT_EQ(mkdirat(fd, "d", 0755), 0) << level;
    const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(fd);
    fd = next;
  }
  EXPECT_GE(fd, 0);
  close(fd);
}

// The chain below dir, one character a level from dir itself on: 'f' where
// the level holds the file, '.' where not.
std::string ShapeOf(const std::string& dir) {
  std::string shape;
  for (int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0;) {
    struct stat st;
    shape += fstatat(fd, "f", &st, AT_SYMLINK_NOFOLLOW) == 0 ? 'f' : '.';
    const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    close(fd);
    fd = next;
  }
  return shape;
}

// The source's chain mirrored down to level levels, which was not read.
std::string Mirrored(int levels) {
  std::string shape(levels + 1, '.');
  for (int level = 0; level < levels; level += kFileEvery) shape[level] = 'f';
  return shape;
}

class DeepTreeTest : public ToolTest {
 protected:
  // rm walks through descriptors; the temporary directory's own removal
  // stops at the first path that is too long.
  void TearDown() override { EXPECT_EQ(std::system(("rm -rf " + dir_.path()).c_str()), 0); }

  // Runs a scan; its log's end is shown when it fails.
  ToolRun Scan(int code) {
    const ToolRun run = Run({"scan"});
    EXPECT_EQ(run.code, code) << run.out.substr(run.out.size() -
                                                std::min<size_t>(run.out.size(), 3000));
    return run;
  }
  // The archive's one time slot, "yyyy/mm/dd/hh mm ss/" below it.
  std::string TimeSlot() const {
    std::string dir = At("dst/Quorvane archive/");
    for (int level = 0; level < 4; ++level) {
      for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().filename() != "Logs") dir = entry.path().string() + "/";
      }
    }
    return dir;
  }
};

TEST_F(DeepTreeTest, FiveThousandLevelsUnderASmallStack) {
  MakeTree(At(""), {"src/", "dst/"});
  RunOk({"mirror", "add", "--no-copy-security", At("src"), At("dst")});
  for (const char* name : {"LogCreateDir", "LogExcluded"}) RunOk({"set", name, "false"});
  RunOk({"set", "Priority", "3"});
  MakeChain(At("src"));
  stack_limit_ = 256 * 1024;

  // The first directory too long to be listed is the one error; all above
  // it is mirrored.
  const ToolRun first = Scan(1);
  const std::string failed = "\nError 36: Failed to read directory " + At("src/");
  const size_t at = first.out.find(failed);
  ASSERT_NE(at, std::string::npos);
  // Counted after the source root: the temporary directory's random name may end in "d".
  const size_t below = at + failed.size();
  const int reached = Count(first.out.substr(below, first.out.find(". ", below) - below), "d/");
  EXPECT_GT(reached, 1000);
  EXPECT_EQ(Count(first.out, "\nError"), 1);
  EXPECT_EQ(ShapeOf(At("dst")), Mirrored(reached));

  // The chain leaves the mirror but for an excluded destination deep inside
  // it: the excluded source is counted down to the paths too long, and the
  // destination is emptied level by level, its files filed at their depth
  // in the archive.
  const int kept = 15 * kFileEvery;
  std::string kept_path = At("dst/");
  for (int level = 0; level < kept; ++level) kept_path += "d/";
  RunOk({"set", "ScanExcludedDirs", "true"});
  RunOk({"filter", "add", "excluded-source", At("src/d/")});
  RunOk({"filter", "add", "excluded-destination", kept_path});
  const ToolRun second = Scan(1);
  EXPECT_TRUE(Has(second.out, "\n" + At("src/d/") + " reports "));
  EXPECT_TRUE(Has(second.out, "\nError 36: Could not get directory listing of " + At("src/d/")));
  std::string left = Mirrored(reached);
  std::replace(left.begin() + 1, left.begin() + kept, 'f', '.');
  EXPECT_EQ(ShapeOf(At("dst")), left);
  std::string archived(kept - kFileEvery + 1, '.');  // down to the last file above the kept level
  for (int level = kFileEvery; level < kept; level += kFileEvery) archived[level] = 'f';
  EXPECT_EQ(ShapeOf(TimeSlot()), archived);

  // The mirror anew with an archive of at most a byte: the archive is
  // counted afresh, and the earlier slot with its deep chain goes.
  RunOk({"set", "ScanExcludedDirs", "false"});
  RunOk({"mirror", "remove", At("dst")});
  RunOk({"mirror", "add", "--no-copy-security", "--max-archive-size", "1", At("src"), At("dst")});
  const ToolRun third = Scan(0);
  EXPECT_TRUE(Has(third.out, "\nRemoving day " + At("dst/Quorvane archive/")));
  for (const auto& [path, hash] : Listing(At("dst/Quorvane archive/"))) {
    EXPECT_TRUE(path.starts_with("Logs/") || Count(path, "/") < 5) << path;  // nothing in a slot
  }
}

}  // namespace
}  // namespace qv::testing
