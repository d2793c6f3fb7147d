#include "filesys/posix/copy_file.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <limits.h>
#include <sys/xattr.h>

#include "filesys/testing/fault_platform.h"
#include "tests/filesys/posix_fixture.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kMiB = int64_t{1} << 20;

// Writes data at offset into path (created when missing) and sets its size;
// what is never written stays a hole.
int WriteAt(const std::string& path, const std::string& data, int64_t offset, int64_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  EXPECT_EQ(pwrite(fd, data.data(), data.size(), offset), static_cast<ssize_t>(data.size()));
  EXPECT_EQ(0, ftruncate(fd, size));
  return close(fd);
}

// Times far in the past, with nanoseconds: any later write changes them.
void MakeOld(const std::string& path) {
  const struct timespec times[2] = {{1000000000, 123456789}, {1000000000, 987654321}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW));
}

// CopyToTemp and CommitTemp; the status of the first that failed.
Status Copy(const std::string& src, const std::string& dst, const CopyProgress& progress = {}) {
  std::string temp;
  Status s = PosixCopyToTemp(src, dst, progress, &temp);
  return s.ok() ? PosixCommitTemp(temp, dst) : s;
}

// After a failed copy: dst keeps "old" and no temporary file is left.
void ExpectNothingChanged(const std::string& dst) {
  EXPECT_EQ(ReadFile(dst), "old");
  EXPECT_FALSE(std::ranges::any_of(fs::directory_iterator(fs::path(dst).parent_path()),
                                   [](const auto& e) { return PosixIsTempName(e.path()); }));
}

class CopyFileTest : public ::testing::Test {
 protected:
  ScopedTempDir dir_;
  const std::string src_ = dir_ / "src";
  const std::string dst_ = dir_ / "dst";
};

// Same bytes, and no more blocks than the source: a copy that filled the
// holes would take thousands more.
void ExpectContentsKept(const std::string& src, const std::string& dst) {
  // The stretches of random data; the file's size. The rest is holes.
  const std::pair<Extents, int64_t> kCases[] = {{{{0, 3 * kMiB}}, 3 * kMiB},
                                                {{{0, 65536}, {5 * kMiB, 100000}}, 12 * kMiB},
                                                {{{4 * kMiB, 4096}}, 4 * kMiB + 4096},
                                                {{}, 0}};
  for (const auto& [extents, file_size] : kCases) {
    SCOPED_TRACE(file_size);
    MakeSparse(src, file_size, extents);
    ASSERT_TRUE(Copy(src, dst).ok());
    EXPECT_TRUE(ReadFile(dst) == ReadFile(src));
    struct stat copy, source;
    ASSERT_EQ(0, stat(dst.c_str(), &copy) | stat(src.c_str(), &source));
    EXPECT_LE(copy.st_blocks, source.st_blocks + 16);
  }
}

TEST_F(CopyFileTest, ContentsAndHolesKept) {
  ExpectContentsKept(src_, dst_);
  ScopedMount tmpfs(dir_ / "tmpfs/", "tmpfs", "size=32m");
  SKIP_UNLESS_MOUNTED(tmpfs);
  ExpectContentsKept(src_, tmpfs.dir + "copy");  // copy_file_range answers EXDEV here
}

// Also to a file system without extended attributes, which is no error.
TEST_F(CopyFileTest, ModeTimesAndUserAttributesCarried) {
  WriteFile(src_, "data");
  ASSERT_EQ(0, chmod(src_.c_str(), 04751));
  const std::string big = RandomBytes(3000);
  const bool xattrs = setxattr(src_.c_str(), "user.big", big.data(), big.size(), 0) == 0;
  MakeOld(src_);
  std::string temp, value(4096, '\0');
  ASSERT_TRUE(PosixCopyToTemp(src_, dst_, nullptr, &temp).ok());
  struct stat st;
  ASSERT_EQ(0, lstat(temp.c_str(), &st));
  EXPECT_EQ(st.st_mode & 07777, geteuid() == 0 ? 04751u : 0751u);
  EXPECT_EQ(st.st_mtim.tv_nsec + st.st_atim.tv_nsec, 987654321 + 123456789);
  if (!xattrs) GTEST_SKIP() << "no user.* attributes here";
  ASSERT_EQ(getxattr(temp.c_str(), "user.big", value.data(), value.size()), 3000);
  EXPECT_EQ(value.substr(0, 3000), big);

  ScopedMount ramfs(dir_ / "ramfs/", "ramfs", "");
  SKIP_UNLESS_MOUNTED(ramfs);
  ASSERT_TRUE(Copy(src_, ramfs.dir + "copy").ok());
  EXPECT_EQ(ReadFile(ramfs.dir + "copy"), "data");
}

// ---- Failures: the target untouched, nothing left behind

TEST_F(CopyFileTest, OnlyRegularFilesCopied) {
  WriteFile(dst_, "old");
  ASSERT_EQ(0, symlink("dst", (dir_ / "link").c_str()));
  ASSERT_EQ(0, mkfifo((dir_ / "fifo").c_str(), 0644));  // opening it must not wait
  MakeDirs(dir_ / "dir");
  for (const auto& [name, code] : {std::pair{"link", ELOOP}, {"fifo", EINVAL}, {"dir", EISDIR}}) {
    std::string temp;
    EXPECT_EQ(PosixCopyToTemp(dir_ / name, dst_, nullptr, &temp).code(), code) << name;
    ExpectNothingChanged(dst_);
  }
}

TEST_F(CopyFileTest, StoppedOrDisturbedCopyLeavesNothing) {
  const std::string renamed = src_ + ".new";
  // What happens at the first MiB, and the answer.
  const std::pair<std::function<int()>, Cond> kCases[] = {
      {[] { return ECANCELED; }, Cond::kCancelled},
      {[] { return ENOSPC; }, Cond::kDiskFull},
      {[&] { return WriteAt(src_, "more", 3 * kMiB, 3 * kMiB + 4); }, Cond::kSourceChanged},
      {[&] { return WriteAt(src_, "x", 2 * kMiB, 3 * kMiB); }, Cond::kSourceChanged},
      {[&] {  // a writer that sets size and write time back: the change time tells
         const int closed = WriteAt(src_, "x", 2 * kMiB, 3 * kMiB);
         MakeOld(src_);
         return closed;
       },
       Cond::kSourceChanged},
      {[&] {  // same size and times: only the identity tells
         WriteFile(renamed, RandomBytes(3 * kMiB));
         MakeOld(renamed);
         return rename(renamed.c_str(), src_.c_str());
       },
       Cond::kSourceChanged}};
  int round = 0;
  for (const auto& [at_first_mib, cond] : kCases) {
    SCOPED_TRACE(++round);
    WriteFile(dst_, "old");
    WriteFile(src_, RandomBytes(3 * kMiB));
    MakeOld(src_);
    bool done = false;
    const Status s = Copy(src_, dst_, [&](int64_t copied, int64_t) {
      return done || copied < kMiB ? 0 : (done = true, at_first_mib());
    });
    EXPECT_EQ(s.cond(), cond) << s.message();
    ExpectNothingChanged(dst_);
  }
}

// An injected fault (at once, or a full disk after the real copy ran part
// way), then a real full disk.
TEST_F(CopyFileTest, FaultsAndFullDiskLeaveTargetAlone) {
  PosixPlatform posix;
  FaultPlatform faults(posix);
  faults.AddFault({Op::kCopyToTemp, "src", 0, EIO, 1});
  faults.AddFault({Op::kCopyToTemp, "src", 0, ENOSPC, 1, 2 * kMiB});
  WriteFile(dst_, "old");
  WriteFile(src_, RandomBytes(3 * kMiB));
  int64_t reached = -1;
  const CopyProgress progress = [&](int64_t copied, int64_t) { return reached = copied, 0; };
  for (const auto& [cond, least_reached] : {std::pair{Cond::kOther, -1}, {Cond::kDiskFull, kMiB}}) {
    EXPECT_EQ(faults.CopyFile(src_, dst_, progress).cond(), cond);
    EXPECT_TRUE(reached >= least_reached && reached < 2 * kMiB) << reached;
    ExpectNothingChanged(dst_);
  }
  ASSERT_TRUE(faults.CopyFile(src_, dst_, progress).ok());  // both faults are spent
  EXPECT_TRUE(ReadFile(dst_) == ReadFile(src_));

  ScopedMount tmpfs(dir_ / "small/", "tmpfs", "size=1m");
  SKIP_UNLESS_MOUNTED(tmpfs);
  WriteFile(tmpfs.dir + "dst", "old");
  EXPECT_EQ(Copy(src_, tmpfs.dir + "dst").cond(), Cond::kDiskFull);
  ExpectNothingChanged(tmpfs.dir + "dst");
}

// ---- Names and commit

TEST_F(CopyFileTest, TemporaryNamesFitAndAreRecognised) {
  WriteFile(src_, "content");
  for (const std::string& target :
       {std::string(NAME_MAX, 'n'), std::string("bad \xff\xfe\x80 utf-8")}) {
    std::string temp;
    ASSERT_TRUE(PosixCopyToTemp(src_, dir_ / target, nullptr, &temp).ok());
    ASSERT_EQ(temp.find(dir_.path()), 0u);
    EXPECT_LE(temp.size() - dir_.path().size(), size_t{NAME_MAX});
    EXPECT_TRUE(PosixIsTempName(temp) && PosixIsTempName(temp.substr(dir_.path().size())));
    ASSERT_TRUE(PosixCommitTemp(temp, dir_ / target).ok());
    EXPECT_EQ(ReadFile(dir_ / target), "content");
  }
  EXPECT_FALSE(PosixIsTempName(".qv-tmp-0123456789ABCDEF-x") ||
               PosixIsTempName(".qv-tmp-0123456789abcdef-x/file"));
}

TEST_F(CopyFileTest, CommitReplacesFileOrLinkButNoDirectory) {
  WriteFile(src_, "new");
  WriteFile(dir_ / "elsewhere", "keep");
  ASSERT_EQ(0, symlink("elsewhere", (dir_ / "link").c_str()));
  ASSERT_TRUE(Copy(src_, dir_ / "link").ok());
  EXPECT_FALSE(fs::is_symlink(dir_ / "link"));
  EXPECT_EQ(ReadFile(dir_ / "elsewhere"), "keep");

  MakeDirs(dir_ / "dir");
  std::string temp;
  ASSERT_TRUE(PosixCopyToTemp(src_, dir_ / "dir", nullptr, &temp).ok());
  EXPECT_EQ(PosixCommitTemp(temp, dir_ / "dir").code(), EISDIR);
  EXPECT_TRUE(PathExists(temp));  // left for the caller to delete
  EXPECT_TRUE(fs::is_empty(dir_ / "dir"));

  // A new link replaces the file in one step, under a recognisable name first.
  ASSERT_TRUE(DefaultPlatform().SymlinkToTemp("elsewhere", dir_ / "link", &temp).ok());
  EXPECT_TRUE(PosixIsTempName(temp));
  EXPECT_EQ(ReadFile(dir_ / "link"), "new");
  ASSERT_TRUE(DefaultPlatform().CommitTemp(temp, dir_ / "link").ok());
  EXPECT_EQ(fs::read_symlink(dir_ / "link"), "elsewhere");
}

}  // namespace
}  // namespace qv::testing
