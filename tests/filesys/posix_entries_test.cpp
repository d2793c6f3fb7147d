#include <sys/stat.h>
#include <unistd.h>

#include "filesys/posix/posix_move.h"
#include "tests/filesys/posix_fixture.h"

namespace qv {
namespace {

using testing::MakeDirs;
using testing::ModeOf;
using testing::PathExists;
using testing::PosixTest;
using testing::ReadFile;
using testing::WriteFile;

// 2021-03-04 05:06:07.1234567 UTC.
constexpr FileTime kTime = (1614834367 + kUnixEpochSeconds) * kFileTimeTicksPerSecond + 1234567;

class PosixEntriesTest : public PosixTest {
 protected:
  // f1, f2 (files), d1 (holds a file), d2 (empty), l1 (link to f1).
  void MakeTree(const std::string& dir) {
    MakeDirs(dir + "d1");
    MakeDirs(dir + "d2");
    WriteFile(dir + "f1", "one");
    WriteFile(dir + "f2", "two");
    WriteFile(dir + "d1/inner", "in");
    ASSERT_EQ(symlink("f1", (dir + "l1").c_str()), 0);
  }
  void ExpectTreeIntact(const std::string& dir) {
    EXPECT_EQ(ReadFile(dir + "f1"), "one");
    EXPECT_EQ(ReadFile(dir + "f2"), "two");
    EXPECT_EQ(ReadFile(dir + "d1/inner"), "in");
    EXPECT_TRUE(PathExists(dir + "d2"));
    EXPECT_TRUE(PathExists(dir + "l1"));
  }
};

TEST_F(PosixEntriesTest, MoveNeverReplaces) {
  const std::pair<const char*, const char*> kCases[] = {
      {"f1", "f2"}, {"d1", "d2"}, {"d1/", "d2/"}, {"f1", "d2"}, {"d2", "f1"}, {"l1", "f2"},
  };
  using MoveFunction = std::function<Status(const std::string&, const std::string&)>;
  const std::pair<const char*, MoveFunction> kWays[] = {
      {"fallback", MoveNoReplaceFallback},
      {"platform",
       [this](const std::string& from, const std::string& to) { return platform_.Move(from, to); }},
  };
  int round = 0;
  for (const auto& [way, move] : kWays) {
    for (const auto& [from, to] : kCases) {
      SCOPED_TRACE(std::string(way) + " " + from + " -> " + to);
      const std::string dir = temp_ / (std::to_string(++round) + "/");
      MakeTree(dir);
      const Status s = move(dir + from, dir + to);
      EXPECT_EQ(s.cond(), Cond::kExists);
      ExpectTreeIntact(dir);
    }
  }
}

TEST_F(PosixEntriesTest, MoveRenamesEveryKindOfEntry) {
  MakeTree(temp_.path());
  const std::pair<const char*, const char*> kCases[] = {
      {"f1", "caf\xe9"}, {"d1/", "moved dir/"}, {"l1", "link\xff"}};
  for (const auto& [from, to] : kCases) {
    EXPECT_TRUE(platform_.Move(temp_ / from, temp_ / to).ok()) << from;
    EXPECT_FALSE(PathExists(temp_ / from)) << from;
  }
  EXPECT_EQ(ReadFile(temp_ / "caf\xe9"), "one");
  EXPECT_EQ(ReadFile(temp_ / "moved dir/inner"), "in");
  std::string target;
  ASSERT_TRUE(platform_.ReadLink(temp_ / "link\xff", &target).ok());
  EXPECT_EQ(target, "f1");
  // The fallback moves files by link and unlink, directories by rename.
  EXPECT_TRUE(MoveNoReplaceFallback(temp_ / "f2", temp_ / "f3").ok());
  EXPECT_TRUE(MoveNoReplaceFallback(temp_ / "d2", temp_ / "d3").ok());
  EXPECT_EQ(ReadFile(temp_ / "f3"), "two");
  EXPECT_FALSE(PathExists(temp_ / "f2"));
  EXPECT_TRUE(PathExists(temp_ / "d3"));
  EXPECT_TRUE(platform_.DeleteFile(temp_ / "caf\xe9").ok());
  EXPECT_FALSE(PathExists(temp_ / "caf\xe9"));
}

TEST_F(PosixEntriesTest, LinkDeleteAndDirectoriesRefuseWhatTheyMustNot) {
  MakeTree(temp_.path());
  ASSERT_EQ(symlink("d1", (temp_ / "l2").c_str()), 0);
  FileInfo info;
  ASSERT_TRUE(platform_.Link(temp_ / "f1", temp_ / "hard").ok());
  ASSERT_TRUE(platform_.Stat(temp_ / "hard", &info).ok());
  EXPECT_EQ(info.link_count, 2u);
  EXPECT_EQ(platform_.Link(temp_ / "f1", temp_ / "f2").cond(), Cond::kExists);
  EXPECT_EQ(platform_.CreateDir(temp_ / "d1/").cond(), Cond::kExists);
  EXPECT_EQ(platform_.RemoveDir(temp_ / "d1/").cond(), Cond::kExists);  // not empty
  EXPECT_EQ(platform_.CreateDir(temp_ / "f1/sub/").cond(), Cond::kNotFound);
  EXPECT_FALSE(platform_.DeleteFile(temp_ / "d2").ok());
  // A link to a directory, even written as a directory path, goes by itself.
  EXPECT_TRUE(platform_.DeleteFile(temp_ / "l2/").ok());
  EXPECT_FALSE(PathExists(temp_ / "l2"));
  ExpectTreeIntact(temp_.path());
}

TEST_F(PosixEntriesTest, SymlinkTargetsSurviveByteForByte) {
  for (const std::string& target : {std::string("f1"), std::string("../up/x"),
                                    std::string("caf\xe9"), std::string(1000, 'a')}) {
    const std::string link = temp_ / ("l" + std::to_string(target.size()));
    ASSERT_TRUE(platform_.CreateSymlink(target, link).ok());
    std::string read;
    ASSERT_TRUE(platform_.ReadLink(link, &read).ok());
    EXPECT_EQ(read, target);
  }
  EXPECT_EQ(platform_.CreateSymlink("x", temp_ / "l2").cond(), Cond::kExists);
}

TEST_F(PosixEntriesTest, SetTimesOmitsZeroAndNeverFollowsALink) {
  MakeTree(temp_.path());
  constexpr FileTime kBefore1970 = (-315619200 + kUnixEpochSeconds) * kFileTimeTicksPerSecond;
  FileInfo before;
  FileInfo after;
  ASSERT_TRUE(platform_.Stat(temp_ / "f1", &before).ok());
  ASSERT_TRUE(platform_.SetTimes(temp_ / "f1", 0, kTime).ok());
  ASSERT_TRUE(platform_.Stat(temp_ / "f1", &after).ok());
  EXPECT_EQ(after.last_write_time, kTime);
  EXPECT_EQ(after.last_access_time, before.last_access_time);
  ASSERT_TRUE(platform_.SetTimes(temp_ / "d1/", kBefore1970, 0).ok());
  ASSERT_TRUE(platform_.Stat(temp_ / "d1", &after).ok());
  EXPECT_EQ(after.last_access_time, kBefore1970);

  ASSERT_TRUE(platform_.SetTimes(temp_ / "l1", kTime, kBefore1970).ok());
  ASSERT_TRUE(platform_.Stat(temp_ / "l1", &after).ok());
  EXPECT_EQ(after.last_write_time, kBefore1970);
  ASSERT_TRUE(platform_.Stat(temp_ / "f1", &after).ok());
  EXPECT_EQ(after.last_write_time, kTime);  // the target kept its time
}

TEST_F(PosixEntriesTest, ReadOnlyBitMapsToWriteBits) {
  struct Case {
    mode_t before;
    uint32_t attributes;
    mode_t after;
  };
  const Case kCases[] = {
      {0664, kAttrReadOnly, 0444},
      {0755, kAttrReadOnly | kAttrHidden | kAttrArchive, 0555},
      {0444, 0, 0644},
      {0640, kAttrArchive, 0640},
      {04755, kAttrReadOnly, 04555},
  };
  for (const Case& c : kCases) {
    const std::string file = temp_ / ("f" + std::to_string(c.before) + std::to_string(c.after));
    WriteFile(file, "x");
    ASSERT_EQ(chmod(file.c_str(), c.before), 0);
    EXPECT_TRUE(platform_.SetAttributes(file, c.attributes).ok());
    EXPECT_EQ(ModeOf(file), c.after) << std::oct << c.before;
  }
  MakeTree(temp_ / "t/");
  ASSERT_EQ(chmod((temp_ / "t/f1").c_str(), 0644), 0);
  EXPECT_TRUE(platform_.SetAttributes(temp_ / "t/l1", kAttrReadOnly).ok());
  EXPECT_EQ(ModeOf(temp_ / "t/f1"), 0644u);  // a link's target is left alone
}

}  // namespace
}  // namespace qv
