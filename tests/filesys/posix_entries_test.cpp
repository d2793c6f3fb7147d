#include <map>
#include <tuple>

#include <sys/xattr.h>

#include "filesys/posix/posix_move.h"
#include "filesys/security.h"
#include "tests/filesys/posix_fixture.h"
#include "tests/support/sample_acl.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

class PosixEntriesTest : public PosixTest {
 protected:
  // f1, f2 (files), d1 (holds a file), d2 (empty), l1 (link to f1).
  static void MakeEntries(const std::string& dir) {
    MakeTree(dir, {"f1=one", "f2=two", "d1/inner=in", "d2/", "l1->f1"});
  }
  void ExpectTreeIntact(const std::string& dir) {
    EXPECT_EQ(ReadFile(dir + "f1") + ReadFile(dir + "f2") + ReadFile(dir + "d1/inner"), "onetwoin");
    EXPECT_TRUE(PathExists(dir + "d2") && PathExists(dir + "l1"));
  }
};

TEST_F(PosixEntriesTest, MoveNeverReplaces) {
  const std::pair<const char*, const char*> kCases[] = {{"f1", "f2"}, {"d1", "d2"}, {"d1/", "d2/"},
                                                        {"f1", "d2"}, {"d2", "f1"}, {"l1", "f2"}};
  int round = 0;
  for (const bool fallback : {true, false}) {
    for (const auto& [from, to] : kCases) {
      const std::string dir = temp_ / (std::to_string(++round) + "/");
      MakeEntries(dir);
      const Status s = fallback ? MoveNoReplaceFallback(dir + from, dir + to)
                                : platform_.Move(dir + from, dir + to);
      EXPECT_EQ(s.cond(), Cond::kExists) << round;
      ExpectTreeIntact(dir);
    }
  }
}

// The fallback moves files by link and unlink, directories by rename. A link
// to a directory, even written as a directory path, is deleted by itself.
TEST_F(PosixEntriesTest, MovesLinksAndDeletesKeepNamesByteForByte) {
  MakeEntries(temp_.path());
  EXPECT_TRUE(platform_.Move(temp_ / "f1", temp_ / "caf\xe9").ok());
  EXPECT_TRUE(MoveNoReplaceFallback(temp_ / "f2", temp_ / "f\xfe").ok());
  EXPECT_TRUE(MoveNoReplaceFallback(temp_ / "d1/", temp_ / "d\xfe/").ok());
  EXPECT_EQ(
      ReadFile(temp_ / "caf\xe9") + ReadFile(temp_ / "f\xfe") + ReadFile(temp_ / "d\xfe/inner"),
      "onetwoin");
  EXPECT_FALSE(PathExists(temp_ / "f1") || PathExists(temp_ / "f2") || PathExists(temp_ / "d1"));
  const std::string target = "d\xfe/../\xff" + std::string(1000, 'a');
  ASSERT_TRUE(platform_.CreateSymlink(target, temp_ / "new link").ok());
  EXPECT_EQ(platform_.CreateSymlink("x", temp_ / "new link").cond(), Cond::kExists);
  std::string read;
  ASSERT_TRUE(platform_.ReadLink(temp_ / "new link", &read).ok());
  EXPECT_EQ(read, target);
  ASSERT_EQ(symlink("d\xfe", (temp_ / "l2").c_str()), 0);
  EXPECT_TRUE(platform_.DeleteFile(temp_ / "l2/").ok());
  EXPECT_TRUE(!PathExists(temp_ / "l2") && PathExists(temp_ / "d\xfe/inner"));
}

// A zero time is left as it is; a link's own times change, never its target's.
TEST_F(PosixEntriesTest, SetTimesOmitsZeroAndNeverFollowsALink) {
  MakeEntries(temp_.path());
  // 2021-03-04 05:06:07.1234567 UTC and a time before 1970.
  constexpr FileTime kTime = (1614834367 + kUnixEpochSeconds) * kFileTimeTicksPerSecond + 1234567;
  constexpr FileTime kOld = (-315619200 + kUnixEpochSeconds) * kFileTimeTicksPerSecond;
  FileInfo before, after;
  ASSERT_TRUE(platform_.Stat(temp_ / "f1", &before).ok());
  ASSERT_TRUE(platform_.SetTimes(temp_ / "f1", 0, kTime).ok());
  ASSERT_TRUE(platform_.SetTimes(temp_ / "l1", kOld, kOld).ok());
  ASSERT_TRUE(platform_.Stat(temp_ / "f1", &after).ok());
  EXPECT_EQ(after.last_access_time, before.last_access_time);
  struct stat st {};
  ASSERT_EQ(lstat((temp_ / "f1").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec * 10000000 + st.st_mtim.tv_nsec / 100, 16148343671234567);
  ASSERT_TRUE(platform_.Stat(temp_ / "l1", &after).ok());
  EXPECT_EQ(after.last_write_time + after.last_access_time, 2 * kOld);
}

// The read-only bit maps to the write bits; a link's target is left alone.
TEST_F(PosixEntriesTest, ReadOnlyBitMapsToWriteBits) {
  const std::tuple<mode_t, uint32_t, mode_t> kCases[] = {
      {0664, kAttrReadOnly | kAttrHidden | kAttrArchive, 0444},
      {0444, 0, 0644},
      {04755, kAttrReadOnly, 04555}};
  for (const auto& [before, attributes, after] : kCases) {
    unlink((temp_ / "f").c_str());  // 0444 stops an ordinary user's rewrite
    WriteFile(temp_ / "f", "x");
    ASSERT_EQ(chmod((temp_ / "f").c_str(), before), 0);
    EXPECT_TRUE(platform_.SetAttributes(temp_ / "f", attributes).ok());
    EXPECT_EQ(ModeOf(temp_ / "f"), after) << std::oct << before;
  }
  ASSERT_EQ(symlink("f", (temp_ / "l").c_str()), 0);
  EXPECT_TRUE(platform_.SetAttributes(temp_ / "l", 0).ok());
  EXPECT_EQ(ModeOf(temp_ / "f"), 04555u);
}

// What a descriptor lacks (an ACL, a user.* attribute) the destination
// loses; a link changes, never its target.
TEST_F(PosixEntriesTest, AclsAndUserAttributesRoundTripAndWhatIsAbsentGoes) {
  const std::string acl = SampleAcl();
  const std::string file = temp_ / "file";
  WriteFile(file, "x");
  if (setxattr(file.c_str(), "user.gone", "v", 1, 0) != 0) GTEST_SKIP() << "no user.* attributes";
  SecurityDescriptor sd{geteuid(), getegid(), 0640, acl, {}, {{"user.a", "1"}, {"user.b", "2"}}};
  SecurityDescriptor read;
  uint32_t lost = ~0u;
  const Status written = platform_.WriteSecurity(file, sd, &lost);
  if (written.cond() == Cond::kNotImplemented) GTEST_SKIP() << "no POSIX ACLs here";
  ASSERT_TRUE(written.ok()) << written.message();
  EXPECT_EQ(lost, 0u);
  ASSERT_TRUE(platform_.ReadSecurity(file, &read).ok());
  EXPECT_EQ(read, sd);
  // A copy with its security carries the ACL, the attributes and, where
  // allowed, the owner.
  const uint32_t owner = geteuid() == 0 ? 1234 : geteuid();
  ASSERT_EQ(chown(file.c_str(), owner, getegid()), 0);
  std::string temp;
  ASSERT_TRUE(platform_.CopyToTemp(file, temp_ / "copy", {}, true, &temp, &lost).ok());
  ASSERT_TRUE(platform_.ReadSecurity(temp, &read).ok());
  EXPECT_EQ(std::tuple(read.acl_access, read.uid, read.xattrs),
            std::tuple(std::optional(acl), owner, sd.xattrs));
  sd.acl_access.reset();
  sd.xattrs = {{"user.b", "3"}};
  ASSERT_TRUE(platform_.WriteSecurity(file, sd, nullptr).ok());
  ASSERT_TRUE(platform_.ReadSecurity(file, &read).ok());
  EXPECT_EQ(read, sd);
  ASSERT_EQ(symlink("file", (temp_ / "link").c_str()), 0);
  ASSERT_TRUE(
      platform_.WriteSecurity(temp_ / "link", {geteuid(), getegid(), 0, {}, {}, {}}, nullptr).ok());
  EXPECT_EQ(ModeOf(file), 0640u);
  EXPECT_EQ(getxattr(file.c_str(), "user.b", nullptr, 0), 1);
}

// A file system keeps ACLs even where none is set (ENODATA); one without
// them says "not supported"; a directory not there gives no answer.
TEST_F(PosixEntriesTest, KeepsAclsAsksTheFileSystemOfTheDirectory) {
  ScopedMount tmpfs(temp_ / "tmpfs/", "tmpfs", "size=1m");
  ScopedMount ramfs(temp_ / "ramfs/", "ramfs", "");
  SKIP_UNLESS_MOUNTED(tmpfs);
  SKIP_UNLESS_MOUNTED(ramfs);
  MakeDirs(tmpfs.dir + "plain");
  const struct {
    std::string dir;
    bool answers;
    bool keeps;
  } cases[] = {
      {tmpfs.dir, true, true},
      {tmpfs.dir + "plain", true, true},
      {ramfs.dir, true, false},
      {tmpfs.dir + "missing/", false, false},
  };
  for (const auto& c : cases) {
    bool keeps = !c.keeps;
    const Status s = platform_.KeepsAcls(c.dir, &keeps);
    EXPECT_EQ(s.ok(), c.answers) << c.dir << ": " << s.message();
    if (c.answers) {
      EXPECT_EQ(keeps, c.keeps) << c.dir;
    }
  }
}

// A set-ID bit goes only with the owner or group it names: an unprivileged
// copy of another user's set-user-ID program is no set-user-ID program.
TEST_F(PosixEntriesTest, SetIdBitsGoOnlyWithTheirOwner) {
  EXPECT_EQ(WithoutForeignSetId(06755, true, true), 06755u);
  EXPECT_EQ(WithoutForeignSetId(06755, false, true), 02755u);
  EXPECT_EQ(WithoutForeignSetId(06755, true, false), 04755u);
  EXPECT_EQ(WithoutForeignSetId(0106755, false, false), 0755u);
}

// The listing sees exactly what Stat sees; "." and ".." never appear, a
// link to a directory is never listed, not even with a trailing slash.
TEST_F(PosixEntriesTest, AttributeWordOfEachKindOfEntry) {
  constexpr int64_t kSparseSize = 16 << 20;
  MakeDirs(temp_ / "dir");
  for (const char* file : {"file", ".hidden", "readonly", "sparse"}) WriteFile(temp_ / file, "abc");
  ASSERT_EQ(chmod((temp_ / "readonly").c_str(), 0444) | mkfifo((temp_ / "fifo").c_str(), 0644), 0);
  ASSERT_EQ(truncate((temp_ / "sparse").c_str(), kSparseSize), 0);
  for (const std::string target : {"file", "dir", "missing"})
    ASSERT_EQ(symlink(target.c_str(), (temp_ / ("link_to_" + target)).c_str()), 0);
  const uint32_t kLink = kAttrReparsePoint, kLinkDir = kLink | kAttrDirectory;
  const std::map<std::string, uint32_t> kAttributes = {
      {"dir", kAttrDirectory}, {".hidden", kAttrHidden},   {"file", 0},
      {"fifo", kAttrDevice},   {"sparse", kAttrSparse},    {"readonly", kAttrReadOnly},
      {"link_to_file", kLink}, {"link_to_missing", kLink}, {"link_to_dir", kLinkDir}};
  std::vector<DirEntry> entries;
  ASSERT_TRUE(platform_.ListDir(temp_.path(), &entries).ok());
  ASSERT_EQ(entries.size(), kAttributes.size());
  FileInfo info;
  for (const DirEntry& entry : entries) {
    ASSERT_TRUE(platform_.Stat(temp_ / entry.name, &info).ok());
    EXPECT_EQ(info.attributes, kAttributes.at(entry.name)) << entry.name;
    EXPECT_EQ(info.reparse_tag, (info.attributes & kLink) ? kReparseTagSymlink : 0) << entry.name;
    EXPECT_EQ(std::tie(entry.info.attributes, entry.info.inode, entry.info.last_write_time),
              std::tie(info.attributes, info.inode, info.last_write_time))
        << entry.name;
    EXPECT_EQ(info.creation_time, 0);
    EXPECT_TRUE(entry.name != "sparse" || info.size == kSparseSize);
  }
  EXPECT_TRUE(platform_.Stat(temp_ / "link_to_dir/", &info).ok() && info.IsReparsePoint());
  EXPECT_FALSE(platform_.ListDir(temp_ / "link_to_dir/", &entries).ok());
  EXPECT_EQ(platform_.Stat(temp_ / "file/x", &info).cond(), Cond::kNotFound);
}

// A directory the user may not open fails; so does one whose names can be
// read but whose entries cannot be examined (read without search permission):
// a half-listed directory must never pass for a complete one.
TEST_F(PosixEntriesTest, UnreadableDirectoryIsAccessDenied) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
  ASSERT_EQ(chmod(temp_.path().c_str(), 0755), 0);
  for (const mode_t mode : {0700, 0744}) {
    const std::string dir = temp_ / ("dir" + std::to_string(mode));
    MakeDirs(dir);
    WriteFile(dir + "/inside", "x");
    ASSERT_EQ(chmod(dir.c_str(), mode), 0);
    EXPECT_TRUE(RunAsNobody([&] {
      std::vector<DirEntry> entries;
      return platform_.ListDir(dir, &entries).cond() == Cond::kAccessDenied;
    })) << mode;
  }
}

// A new file under the name (the old one keeps its content under another
// link), never a link followed, nothing left behind.
TEST_F(PosixEntriesTest, WriteFileReplacesByRenameAndKeepsTheMode) {
  const std::string file = temp_ / "settings";
  WriteFile(file, "old");
  ASSERT_EQ(chmod(file.c_str(), 0600) | link(file.c_str(), (temp_ / "old-name").c_str()), 0);
  WriteFile(temp_ / "target", "target");
  ASSERT_EQ(symlink("target", (temp_ / "link").c_str()), 0);
  ASSERT_TRUE(platform_.WriteFile(file, "new").ok());
  ASSERT_TRUE(platform_.WriteFile(temp_ / "link", "replaced").ok());
  EXPECT_EQ(ReadFile(file) + ReadFile(temp_ / "old-name") + ReadFile(temp_ / "target"),
            "newoldtarget");
  EXPECT_EQ(ModeOf(file), 0600u);
  std::vector<DirEntry> entries;
  ASSERT_TRUE(platform_.ListDir(temp_.path(), &entries).ok());
  EXPECT_EQ(entries.size(), 4u);
}

}  // namespace
}  // namespace qv::testing
