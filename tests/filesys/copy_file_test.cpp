#include "filesys/posix/copy_file.h"

#include <cerrno>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "filesys/posix/posix_platform.h"
#include "filesys/testing/fault_platform.h"
#include "tests/filesys/posix_fixture.h"
#include "tests/support/scoped_mount.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using testing::ReadFile;
using testing::ScopedMount;
using testing::WriteFile;

constexpr int64_t kMiB = int64_t{1} << 20;

std::string RandomBytes(int64_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(static_cast<size_t>(size), '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Writes data at offset into path (created when missing) and sets its size;
// what is never written stays a hole.
void WriteAt(const std::string& path, const std::string& data, int64_t offset, int64_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0) << path;
  EXPECT_EQ(pwrite(fd, data.data(), data.size(), offset), static_cast<ssize_t>(data.size()));
  EXPECT_EQ(0, ftruncate(fd, size));
  close(fd);
}

// Times far in the past, with nanoseconds: any later write changes them.
void MakeOld(const std::string& path) {
  const struct timespec times[2] = {{1000000000, 123456789}, {1000000000, 987654321}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW));
}

bool HasTempFile(const std::string& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (PosixIsTempName(entry.path().filename().string())) return true;
  }
  return false;
}

class CopyFileTest : public ::testing::Test {
 protected:
  // CopyToTemp and CommitTemp; the status of the first that failed.
  Status Copy(const std::string& dst, const CopyProgress& progress = nullptr) {
    std::string temp;
    Status s = PosixCopyToTemp(src_, dst, progress, &temp);
    return s.ok() ? PosixCommitTemp(temp, dst) : s;
  }
  // After a failed copy: dst_ keeps "old" and no temporary file is left.
  void ExpectNothingChanged() {
    EXPECT_EQ(ReadFile(dst_), "old");
    EXPECT_FALSE(HasTempFile(dir_.path()));
  }

  testing::ScopedTempDir dir_;
  const std::string src_ = dir_ / "src";
  const std::string dst_ = dir_ / "dst";
};

// ---- Contents

struct ContentCase {
  const char* name;
  std::vector<std::pair<int64_t, int64_t>> extents;  // offset, size of random data
  int64_t size;                                      // the rest is holes
};
const ContentCase kContentCases[] = {
    {"empty", {}, 0},
    {"small", {{0, 5}}, 5},
    {"3 MiB random", {{0, 3 * kMiB}}, 3 * kMiB},
    {"sparse, trailing hole", {{0, 65536}, {5 * kMiB, 100000}}, 12 * kMiB},
    {"sparse, ending in data", {{4 * kMiB, 4096}}, 4 * kMiB + 4096},
    {"only a hole", {}, 8 * kMiB},
};

// Same bytes, and no more blocks than the source: a copy that filled the
// holes would take thousands more.
void ExpectContentsKept(const std::string& src, const std::string& dst) {
  for (const ContentCase& c : kContentCases) {
    SCOPED_TRACE(c.name);
    unlink(src.c_str());
    WriteAt(src, "", 0, c.size);
    for (const auto& [offset, size] : c.extents) WriteAt(src, RandomBytes(size, 7), offset, c.size);
    std::string temp;
    ASSERT_TRUE(PosixCopyToTemp(src, dst, nullptr, &temp).ok());
    ASSERT_TRUE(PosixCommitTemp(temp, dst).ok());
    EXPECT_TRUE(ReadFile(dst) == ReadFile(src));
    struct stat copy, source;
    ASSERT_EQ(0, stat(dst.c_str(), &copy) | stat(src.c_str(), &source));
    EXPECT_LE(copy.st_blocks, source.st_blocks + 16);
  }
}

TEST_F(CopyFileTest, ContentsAndHolesKept) { ExpectContentsKept(src_, dst_); }

TEST_F(CopyFileTest, ContentsAndHolesKeptOnAnotherFileSystem) {
  ScopedMount tmpfs(dir_ / "tmpfs/", "tmpfs", "size=32m");
  SKIP_UNLESS_MOUNTED(tmpfs);
  ExpectContentsKept(src_, tmpfs.dir + "copy");  // copy_file_range answers EXDEV here
}

TEST_F(CopyFileTest, ProgressFromStartToEndAtLeastEveryMiB) {
  const int64_t size = 5 * kMiB + 12345;
  WriteFile(src_, RandomBytes(size, 1));
  std::vector<int64_t> seen;
  ASSERT_TRUE(Copy(dst_, [&](int64_t copied, int64_t total) {
                EXPECT_EQ(total, size);
                seen.push_back(copied);
                return 0;
              }).ok());
  ASSERT_GE(seen.size(), 7u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), size);
  for (size_t i = 1; i < seen.size(); ++i) {
    EXPECT_GT(seen[i], seen[i - 1]);
    EXPECT_LE(seen[i] - seen[i - 1], kMiB);
  }
}

// ---- Attributes

TEST_F(CopyFileTest, ModeTimesAndUserAttributesCarried) {
  WriteFile(src_, "data");
  ASSERT_EQ(0, chmod(src_.c_str(), 04751));
  const std::string big = RandomBytes(3000, 2);
  const bool xattrs = setxattr(src_.c_str(), "user.a", "1", 1, 0) == 0 &&
                      setxattr(src_.c_str(), "user.big", big.data(), big.size(), 0) == 0;
  MakeOld(src_);
  std::string temp;
  ASSERT_TRUE(PosixCopyToTemp(src_, dst_, nullptr, &temp).ok());
  struct stat st;
  ASSERT_EQ(0, lstat(temp.c_str(), &st));
  EXPECT_EQ(st.st_mode & 07777, geteuid() == 0 ? 04751u : 0751u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 987654321);
  EXPECT_EQ(st.st_atim.tv_nsec, 123456789);
  if (!xattrs) GTEST_SKIP() << "the temporary directory keeps no user.* attributes";
  std::string value(4096, '\0');
  ASSERT_EQ(getxattr(temp.c_str(), "user.big", value.data(), value.size()), 3000);
  EXPECT_EQ(value.substr(0, 3000), big);
  EXPECT_EQ(getxattr(temp.c_str(), "user.a", value.data(), value.size()), 1);
}

TEST_F(CopyFileTest, DestinationWithoutExtendedAttributesIsNoError) {
  ScopedMount ramfs(dir_ / "ramfs/", "ramfs", "");
  SKIP_UNLESS_MOUNTED(ramfs);
  WriteFile(src_, "data");
  if (setxattr(src_.c_str(), "user.a", "1", 1, 0) != 0) GTEST_SKIP() << "source keeps no xattrs";
  ASSERT_TRUE(Copy(ramfs.dir + "copy").ok());
  EXPECT_EQ(ReadFile(ramfs.dir + "copy"), "data");
}

TEST_F(CopyFileTest, SetuidDroppedForOrdinaryUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  const std::string shared = dir_ / "shared/";
  testing::MakeDirs(shared);
  ASSERT_EQ(0, chmod(dir_.path().c_str(), 0755) | chmod(shared.c_str(), 0777));
  WriteFile(shared + "src", "#!/bin/sh\n");
  ASSERT_EQ(0, chmod((shared + "src").c_str(), 06755));
  EXPECT_TRUE(testing::RunAsNobody([&] {
    std::string temp;
    return PosixCopyToTemp(shared + "src", shared + "dst", nullptr, &temp).ok() &&
           testing::ModeOf(temp) == 0755;
  }));
}

// ---- Failures: the target untouched, nothing left behind

TEST_F(CopyFileTest, OnlyRegularFilesCopied) {
  WriteFile(dst_, "old");
  ASSERT_EQ(0, symlink("dst", (dir_ / "link").c_str()));
  ASSERT_EQ(0, mkfifo((dir_ / "fifo").c_str(), 0644));  // opening it must not wait
  testing::MakeDirs(dir_ / "dir");
  const std::pair<const char*, int> cases[] = {
      {"link", ELOOP}, {"fifo", EINVAL}, {"dir", EISDIR}, {"missing", ENOENT}};
  for (const auto& [name, code] : cases) {
    std::string temp;
    EXPECT_EQ(PosixCopyToTemp(dir_ / name, dst_, nullptr, &temp).code(), code) << name;
    ExpectNothingChanged();
  }
}

TEST_F(CopyFileTest, StoppedOrDisturbedCopyLeavesNothing) {
  const std::string& src = src_;
  const std::string renamed = src + ".new";
  const struct {
    const char* name;
    std::function<int()> at_first_mib;  // answers the progress
    Cond cond;
  } cases[] = {
      {"cancelled", [] { return ECANCELED; }, Cond::kCancelled},
      {"disk full", [] { return ENOSPC; }, Cond::kDiskFull},
      {"appended", [&] { return WriteAt(src, "more", 3 * kMiB, 3 * kMiB + 4), 0; },
       Cond::kSourceChanged},
      {"rewritten in place", [&] { return WriteAt(src, "x", 2 * kMiB, 3 * kMiB), 0; },
       Cond::kSourceChanged},
      {"truncated", [&] { return truncate(src.c_str(), kMiB + 10); }, Cond::kSourceChanged},
      {"removed", [&] { return unlink(src.c_str()); }, Cond::kSourceChanged},
      {"replaced by rename",
       [&] {
         WriteFile(renamed, RandomBytes(3 * kMiB, 4));
         MakeOld(renamed);  // same size and times: only the identity tells
         return rename(renamed.c_str(), src.c_str());
       },
       Cond::kSourceChanged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dst_, "old");
    WriteFile(src_, RandomBytes(3 * kMiB, 3));
    MakeOld(src_);
    bool done = false;
    const Status s = Copy(dst_, [&](int64_t copied, int64_t) {
      if (done || copied < kMiB) return 0;
      done = true;
      return c.at_first_mib();
    });
    EXPECT_EQ(s.cond(), c.cond) << s.message();
    ExpectNothingChanged();
  }
}

TEST_F(CopyFileTest, FullDiskReportedAndCleanedUp) {
  ScopedMount tmpfs(dir_ / "small/", "tmpfs", "size=1m");
  SKIP_UNLESS_MOUNTED(tmpfs);
  WriteFile(tmpfs.dir + "dst", "old");
  WriteFile(src_, RandomBytes(3 * kMiB, 5));
  EXPECT_EQ(Copy(tmpfs.dir + "dst").cond(), Cond::kDiskFull);
  EXPECT_EQ(ReadFile(tmpfs.dir + "dst"), "old");
  EXPECT_FALSE(HasTempFile(tmpfs.dir));
}

TEST_F(CopyFileTest, PlatformCopyFailingPartWayLeavesTargetAlone) {
  PosixPlatform posix;
  FaultPlatform faults(posix);
  faults.AddFault({Op::kCopyToTemp, "src", 0, ENOSPC, 1, 2 * kMiB});
  WriteFile(dst_, "old");
  WriteFile(src_, RandomBytes(3 * kMiB, 8));
  int64_t reached = 0;
  const CopyProgress progress = [&](int64_t copied, int64_t) { return reached = copied, 0; };
  EXPECT_EQ(faults.CopyFile(src_, dst_, progress).cond(), Cond::kDiskFull);
  EXPECT_GE(reached, kMiB);  // the real copy ran up to the fault
  ExpectNothingChanged();
  ASSERT_TRUE(faults.CopyFile(src_, dst_, progress).ok());  // the fault is spent
  EXPECT_TRUE(ReadFile(dst_) == ReadFile(src_));
}

// ---- Names and commit

TEST_F(CopyFileTest, TemporaryNamesFitAndAreRecognised) {
  std::string cut_in_character = "x";
  while (cut_in_character.size() < NAME_MAX) cut_in_character += "\xc3\xa9";  // 2-byte UTF-8
  WriteFile(src_, "content");
  for (const std::string& target :
       {std::string(NAME_MAX, 'n'), std::string("bad \xff\xfe\x80 utf-8"), cut_in_character}) {
    std::string temp;
    ASSERT_TRUE(PosixCopyToTemp(src_, dir_ / target, nullptr, &temp).ok());
    ASSERT_EQ(temp.find(dir_.path()), 0u);
    EXPECT_LE(temp.size() - dir_.path().size(), size_t{NAME_MAX});
    EXPECT_TRUE(PosixIsTempName(temp) && PosixIsTempName(temp.substr(dir_.path().size())));
    ASSERT_TRUE(PosixCommitTemp(temp, dir_ / target).ok());
    EXPECT_EQ(ReadFile(dir_ / target), "content");
  }
  for (const char* other :
       {".qv-tmp-0123456789ABCDEF-x", ".qv-tmp-0123456789abcdeg-x", ".qv-tmp-0123456789abcdef",
        ".qv-tmp-0123456789abcde-x", ".qv-tmp-0123456789abcdef-x/file", "report.txt", ""}) {
    EXPECT_FALSE(PosixIsTempName(other)) << other;
  }
}

TEST_F(CopyFileTest, CommitReplacesFileOrLinkButNoDirectory) {
  WriteFile(src_, "new");
  WriteFile(dst_, RandomBytes(kMiB, 6));  // longer: nothing of it may remain
  ASSERT_TRUE(Copy(dst_).ok());
  EXPECT_EQ(ReadFile(dst_), "new");

  WriteFile(dir_ / "elsewhere", "keep");
  ASSERT_EQ(0, symlink("elsewhere", (dir_ / "link").c_str()));
  ASSERT_TRUE(Copy(dir_ / "link").ok());
  EXPECT_FALSE(std::filesystem::is_symlink(dir_ / "link"));
  EXPECT_EQ(ReadFile(dir_ / "elsewhere"), "keep");

  testing::MakeDirs(dir_ / "dir");
  std::string temp;
  ASSERT_TRUE(PosixCopyToTemp(src_, dir_ / "dir", nullptr, &temp).ok());
  EXPECT_EQ(PosixCommitTemp(temp, dir_ / "dir").code(), EISDIR);
  EXPECT_TRUE(testing::PathExists(temp));  // left for the caller to delete
  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "dir"));

  // A new link replaces the file in one step, under a recognisable name first.
  ASSERT_TRUE(DefaultPlatform().SymlinkToTemp("elsewhere", dst_, &temp).ok());
  EXPECT_TRUE(PosixIsTempName(temp));
  EXPECT_EQ(ReadFile(dst_), "new");
  ASSERT_TRUE(DefaultPlatform().CommitTemp(temp, dst_).ok());
  EXPECT_EQ(std::filesystem::read_symlink(dst_), "elsewhere");
}

}  // namespace
}  // namespace qv
