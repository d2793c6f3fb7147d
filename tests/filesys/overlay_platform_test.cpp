#include "filesys/overlay_platform.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesys/posix/posix_platform.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

constexpr FileTime kPinned = 133'000'000'000'000'000;

// Every entry below dir as "name type size", depth first and sorted, so two
// trees compare as text.
std::string Tree(Platform& platform, const std::string& dir, const std::string& shown = "") {
  std::vector<DirEntry> entries;
  if (!platform.ListDir(dir, &entries).ok()) return "!" + shown;
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  std::string text;
  for (const DirEntry& entry : entries) {
    const std::string name = shown + entry.name;
    if (entry.info.IsReparsePoint()) {
      std::string target;
      (void)platform.ReadLink(dir + entry.name, &target);
      text += name + " L" + target + "\n";
    } else if (entry.info.IsDirectory()) {
      text += name + "/\n" + Tree(platform, dir + entry.name + "/", name + "/");
    } else {
      text += name + " " + std::to_string(entry.info.size) + "\n";
    }
  }
  return text;
}

class OverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* dir : {"a", "a/sub", "old"}) ASSERT_TRUE(posix_.CreateDir(temp_ / dir).ok());
    for (const auto& [name, size] : std::vector<std::pair<std::string, int>>{
             {"a/f1", 3}, {"a/sub/f2", 5}, {"b", 7}, {"old/x", 11}}) {
      ASSERT_TRUE(posix_.WriteFile(temp_ / name, std::string(size, 'q')).ok());
    }
    real_.SetFreeSpace(1'000'000, 2'000'000);
    before_ = Tree(posix_, temp_.path());
  }

  PosixPlatform posix_;
  FaultPlatform real_{posix_};
  testing::ScopedTempDir temp_;
  TOverlayPlatform overlay_{real_, kPinned};
  std::string before_;
};

TEST_F(OverlayTest, ChangesAreLaidOverTheRealTreeAndNeverMade) {
  const std::string& t = temp_.path();
  struct Step {
    std::function<Status()> call;
    Cond expected;
  };
  const std::vector<Step> steps = {
      {[&] { return overlay_.CreateDir(t + "new"); }, Cond::kOk},
      {[&] { return overlay_.CreateDir(t + "new/"); }, Cond::kExists},
      {[&] { return overlay_.CopyFile(t + "b", t + "new/c", nullptr); }, Cond::kOk},
      // A folder moves with its real content; what was recorded below it goes along.
      {[&] { return overlay_.DeleteFile(t + "a/f1"); }, Cond::kOk},
      {[&] { return overlay_.Move(t + "a", t + "new/moved"); }, Cond::kOk},
      {[&] { return overlay_.Move(t + "b", t + "new"); }, Cond::kExists},
      {[&] {
         FileInfo info;
         return overlay_.Stat(t + "a/sub/f2", &info);
       },
       Cond::kNotFound},
      {[&] { return overlay_.RemoveDir(t + "new/moved/sub"); }, Cond::kExists},
      {[&] { return overlay_.DeleteFile(t + "new/moved/sub/f2"); }, Cond::kOk},
      {[&] { return overlay_.RemoveDir(t + "new/moved/sub"); }, Cond::kOk},
      // A file replaced by a folder, a folder by a link, a copy over a copy.
      {[&] { return overlay_.DeleteFile(t + "b"); }, Cond::kOk},
      {[&] { return overlay_.CreateDir(t + "b"); }, Cond::kOk},
      {[&] { return overlay_.DeleteFile(t + "old/x"); }, Cond::kOk},
      {[&] { return overlay_.RemoveDir(t + "old"); }, Cond::kOk},
      {[&] { return overlay_.CreateSymlink("new", t + "old"); }, Cond::kOk},
      {[&] { return overlay_.CopyFile(t + "new/c", t + "b/d", nullptr); }, Cond::kOk},
      {[&] { return overlay_.CopyFile(t + "new/c", t + "b/d", nullptr); }, Cond::kOk},
      {[&] { return overlay_.SetTimes(t + "b/d", 0, 42); }, Cond::kOk},
      {[&] { return overlay_.CreateDir(t + "gone/deeper"); }, Cond::kNotFound},
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i].call().cond(), steps[i].expected) << "step " << i;
  }
  EXPECT_EQ(Tree(overlay_, t), "b/\nb/d 7\nnew/\nnew/c 7\nnew/moved/\nold Lnew\n");
  EXPECT_EQ(Tree(posix_, t), before_);

  FileInfo info;
  ASSERT_TRUE(overlay_.Stat(t + "b/d", &info).ok());
  EXPECT_EQ(info.last_write_time, 42);
  EXPECT_EQ(overlay_.Now(), kPinned);
  // Two copies of 7 bytes stay (the second replaced the first); 3, 5, 7 and
  // 11 real bytes are freed.
  int64_t free_bytes = 0;
  int64_t total = 0;
  ASSERT_TRUE(overlay_.FreeSpace(t + "b/", &free_bytes, &total).ok());
  EXPECT_EQ(free_bytes, 1'000'000 - 14 + 26);
  EXPECT_TRUE(overlay_.space_simulated());

  std::vector<TOverlayChange::Kind> kinds;
  for (const TOverlayChange& change : overlay_.changes()) kinds.push_back(change.kind);
  using K = TOverlayChange::Kind;
  EXPECT_EQ(kinds,
            (std::vector<K>{K::kCreateDir, K::kCommit, K::kDelete, K::kMove, K::kDelete,
                            K::kRemoveDir, K::kDelete, K::kCreateDir, K::kDelete, K::kRemoveDir,
                            K::kSymlink, K::kCommit, K::kCommit, K::kMetadata}));
}

TEST_F(OverlayTest, PrivateEntriesAndWritesStayInTheOverlay) {
  const std::string& t = temp_.path();
  ASSERT_TRUE(overlay_.CreatePrivateDir(t + "arch").ok());
  std::unique_ptr<HeldDir> held;
  ASSERT_TRUE(overlay_.HoldDir(t + "arch", &held).ok());
  bool created = false;
  for (const bool first : {true, false}) {
    ASSERT_TRUE(overlay_.AppendPrivateFile(*held, "info", "12345", &created).ok());
    EXPECT_EQ(created, first);
  }
  ASSERT_TRUE(overlay_.WriteFile(t + "w", "data").ok());
  ASSERT_TRUE(overlay_.SetAttributes(t + "b", kAttrReadOnly).ok());
  FileInfo info;
  ASSERT_TRUE(overlay_.Stat(t + "b", &info).ok());
  EXPECT_EQ(info.mode & 0222, 0u);
  EXPECT_EQ(Tree(overlay_, t + "arch/"), "info 10\n");
  EXPECT_EQ(Tree(posix_, t), before_);
  ASSERT_TRUE(posix_.Stat(t + "b", &info).ok());
  EXPECT_NE(info.mode & 0200, 0u);
}

}  // namespace
}  // namespace qv
