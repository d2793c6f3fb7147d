#include <map>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/filesys/posix_fixture.h"

namespace qv {
namespace {

using testing::MakeDirs;
using testing::PosixTest;
using testing::RunAsNobody;
using testing::WriteFile;

struct EntryCase {
  const char* name;
  uint32_t attributes;
  uint32_t reparse_tag;
};

const EntryCase kEntries[] = {
    {"dir", kAttrDirectory, 0},
    {"file", 0, 0},
    {".hidden", kAttrHidden, 0},
    {"readonly", kAttrReadOnly, 0},
    {"link_to_file", kAttrReparsePoint, kReparseTagSymlink},
    {"link_to_dir", kAttrReparsePoint | kAttrDirectory, kReparseTagSymlink},
    {"dangling", kAttrReparsePoint, kReparseTagSymlink},
    {"fifo", kAttrDevice, 0},
    {"sparse", kAttrSparse, 0},
};

constexpr int64_t kSparseSize = 16 << 20;

class PosixListingTest : public PosixTest {
 protected:
  void MakeEntries() {
    MakeDirs(temp_ / "dir");
    WriteFile(temp_ / "file", "abc");
    WriteFile(temp_ / ".hidden", "x");
    WriteFile(temp_ / "readonly", "x");
    ASSERT_EQ(chmod((temp_ / "readonly").c_str(), 0444), 0);
    ASSERT_EQ(symlink("file", (temp_ / "link_to_file").c_str()), 0);
    ASSERT_EQ(symlink("dir", (temp_ / "link_to_dir").c_str()), 0);
    ASSERT_EQ(symlink("missing", (temp_ / "dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((temp_ / "fifo").c_str(), 0644), 0);
    const int fd = open((temp_ / "sparse").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(ftruncate(fd, kSparseSize), 0);
    close(fd);
  }
};

TEST_F(PosixListingTest, AttributeWordOfEachKindOfEntry) {
  MakeEntries();
  std::vector<DirEntry> entries;
  ASSERT_TRUE(platform_.ListDir(temp_.path(), &entries).ok());
  std::map<std::string, FileInfo> listed;
  for (const DirEntry& entry : entries) listed[entry.name] = entry.info;
  ASSERT_EQ(listed.size(), std::size(kEntries));  // no "." or ".."

  for (const EntryCase& c : kEntries) {
    SCOPED_TRACE(c.name);
    FileInfo info;
    ASSERT_TRUE(platform_.Stat(temp_ / c.name, &info).ok());
    EXPECT_EQ(info.attributes, c.attributes);
    EXPECT_EQ(info.reparse_tag, c.reparse_tag);
    EXPECT_EQ(info.creation_time, 0);
    // The listing sees exactly what Stat sees.
    ASSERT_TRUE(listed.count(c.name));
    EXPECT_EQ(listed[c.name].attributes, info.attributes);
    EXPECT_EQ(listed[c.name].inode, info.inode);
    EXPECT_EQ(listed[c.name].last_write_time, info.last_write_time);
  }
  FileInfo file;
  ASSERT_TRUE(platform_.Stat(temp_ / "file", &file).ok());
  EXPECT_EQ(file.size, 3);
  EXPECT_EQ(file.size_on_disk, 3);
  EXPECT_EQ(listed["sparse"].size, kSparseSize);
  EXPECT_LT(listed["sparse"].size_on_disk, kSparseSize);
  EXPECT_EQ(listed["dir"].size, 0);
}

TEST_F(PosixListingTest, TrailingSlashDoesNotFollowALink) {
  MakeEntries();
  FileInfo info;
  ASSERT_TRUE(platform_.Stat(temp_ / "link_to_dir/", &info).ok());
  EXPECT_TRUE(info.IsReparsePoint());
  std::vector<DirEntry> entries;
  for (const char* link : {"link_to_dir", "link_to_dir/"}) {
    EXPECT_FALSE(platform_.ListDir(temp_ / link, &entries).ok()) << link;
  }
}

TEST_F(PosixListingTest, TimesAreFileTimes) {
  WriteFile(temp_ / "f", "");
  const timespec times[2] = {{1000000000, 5}, {1614834367, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / "f").c_str(), times, 0), 0);
  FileInfo info;
  ASSERT_TRUE(platform_.Stat(temp_ / "f", &info).ok());
  EXPECT_EQ(info.last_access_time, (1000000000 + kUnixEpochSeconds) * kFileTimeTicksPerSecond);
  EXPECT_EQ(info.last_write_time,
            (1614834367 + kUnixEpochSeconds) * kFileTimeTicksPerSecond + 1234567);
}

TEST_F(PosixListingTest, ListsManyAndNonUtf8NamesByteForByte) {
  std::set<std::string> made = {"caf\xe9", "a b", "line\nbreak",
                                "\x01"
                                "ctl",
                                "\xff\xfe"};
  for (int i = 0; i < 3000; ++i) made.insert("entry-with-a-longer-name-" + std::to_string(i));
  for (const std::string& name : made) WriteFile(temp_ / name, "");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(platform_.ListDir(temp_.path(), &entries).ok());
  std::set<std::string> listed;
  for (const DirEntry& entry : entries) listed.insert(entry.name);
  EXPECT_EQ(listed, made);
}

TEST_F(PosixListingTest, MissingPathsAreNotFound) {
  WriteFile(temp_ / "file", "x");
  std::vector<DirEntry> entries;
  FileInfo info;
  EXPECT_EQ(platform_.Stat(temp_ / "none", &info).cond(), Cond::kNotFound);
  EXPECT_EQ(platform_.Stat(temp_ / "file/x", &info).cond(), Cond::kNotFound);  // ENOTDIR
  EXPECT_EQ(platform_.ListDir(temp_ / "none/", &entries).cond(), Cond::kNotFound);
  EXPECT_EQ(platform_.ListDir(temp_ / "file", &entries).cond(), Cond::kNotFound);
}

// A directory the user may not open fails; so does one whose names can be
// read but whose entries cannot be examined (read without search permission):
// a half-listed directory must never pass for a complete one.
TEST_F(PosixListingTest, UnreadableDirectoryIsAccessDenied) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
  ASSERT_EQ(chmod(temp_.path().c_str(), 0755), 0);
  for (const mode_t mode : {0700, 0744}) {
    SCOPED_TRACE(mode);
    const std::string dir = temp_ / ("dir" + std::to_string(mode));
    MakeDirs(dir);
    WriteFile(dir + "/inside", "x");
    ASSERT_EQ(chmod(dir.c_str(), mode), 0);
    EXPECT_TRUE(RunAsNobody([&] {
      std::vector<DirEntry> entries;
      return platform_.ListDir(dir, &entries).cond() == Cond::kAccessDenied;
    }));
  }
}

}  // namespace
}  // namespace qv
