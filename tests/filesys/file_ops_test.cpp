#include "filesys/file_ops.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/platform_wrapper.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using ::qv::testing::MakeDirs;
using ::qv::testing::ReadFile;
using ::qv::testing::WriteFile;
using Lines = std::vector<std::string>;

// A name that is not UTF-8 must travel byte for byte.
const std::string kOddName = "caf\xE9-\xFF\xFE";

class FileOpsTest : public ::testing::Test {
 protected:
  Platform& platform_ = DefaultPlatform();
  ::qv::testing::ScopedTempDir temp_;
  ::qv::testing::RecordingLogger log_;
};

// A file system that ignores requests to clear the archive bit.
class StickyArchivePlatform : public PlatformWrapper {
 public:
  using PlatformWrapper::PlatformWrapper;
  Status Stat(const std::string& path, FileInfo* info) override {
    const Status status = PlatformWrapper::Stat(path, info);
    info->attributes |= kAttrArchive;
    return status;
  }
};

TEST_F(FileOpsTest, Attributes) {
  const std::string file = temp_ / "file";
  const std::string missing = temp_ / ("no\nsuch " + kOddName);
  WriteFile(file, "x");
  EXPECT_TRUE(WriteAttributes(platform_, file, kAttrReadOnly, log_));
  EXPECT_EQ(ReadAttributes(platform_, file, log_), kAttrReadOnly);
  EXPECT_TRUE(IsFile(platform_, file) && FileExists(platform_, file) &&
              IsDirectory(platform_, "/"));
  EXPECT_FALSE(FileExists(platform_, ".")) << "a relative path never exists";
  EXPECT_TRUE(ClearArchiveBit(platform_, file, kAttrArchive | kAttrReadOnly, log_));
  EXPECT_EQ(ReadAttributes(platform_, missing, log_), -1);
  EXPECT_FALSE(WriteAttributes(platform_, missing, 0, log_));
  StickyArchivePlatform sticky(platform_);
  EXPECT_FALSE(ClearArchiveBit(sticky, file, kAttrArchive, log_));
  EXPECT_EQ(
      log_.lines,
      (Lines{
          "Error 2: Could not read file attributes of " + missing + ". No such file or directory",
          "Error 2: Could not set file attributes of " + missing + ". No such file or directory",
          "Error: Detected silent failure while trying to clear the archive bit of " + file}));
  EXPECT_EQ(log_.ErrorCount(), 3);
}

TEST_F(FileOpsTest, CreateDirectoryTree) {
  for (const std::string& path : {temp_ / "a/b/c/", temp_ / "a/b/c", temp_ / (kOddName + "/x/")}) {
    EXPECT_TRUE(CreateDirectoryTree(platform_, path, log_)) << path;
    EXPECT_TRUE(std::filesystem::is_directory(path)) << path;
  }
  // Another process makes a level first: that is success, not "File exists".
  FaultPlatform racing(platform_);
  racing.on_call = [](Op op, const std::string& path) {
    if (op == Op::kCreateDir && path.ends_with("/race/b")) MakeDirs(path);
  };
  EXPECT_TRUE(CreateDirectoryTree(racing, temp_ / "race/b/c/", log_));
  EXPECT_TRUE(std::filesystem::is_directory(temp_ / "race/b/c/"));
  EXPECT_TRUE(log_.lines.empty()) << log_.Joined();
}

TEST_F(FileOpsTest, CreateDirectoryTreeReportsTheLastFailure) {
  // Below an existing t/, t/b/c/ tries t/b/c (missing), makes t/b, then tries t/b/c again.
  // A relative path runs out of parents instead of recursing forever.
  const struct {
    std::string path;
    std::vector<Fault> faults;
    int code;
    const char* message;
  } kCases[] = {
      {temp_ / "t1/b/c/", {{Op::kCreateDir, "/t1/", 0, ENOSPC}}, ENOSPC, "No space left on device"},
      {temp_ / "t2/b/c/", {{Op::kCreateDir, "/t2/b", 1, EACCES}}, EACCES, "Permission denied"},
      {temp_ / "t3/b/c/", {{Op::kCreateDir, "/t3/b/c", 1, EIO}}, EIO, "Input/output error"},
      {"rel/dir/", {{Op::kCreateDir, "", 0, ENOENT}}, ENOENT, "No such file or directory"},
      {temp_ / "file/x/", {}, EEXIST, "File exists"}};
  WriteFile(temp_ / "file", "x");
  for (const char* top : {"t1", "t2", "t3"}) MakeDirs(temp_ / top);
  for (const auto& c : kCases) {
    FaultPlatform faulty(platform_);
    for (const Fault& fault : c.faults) faulty.AddFault(fault);
    ::qv::testing::RecordingLogger log;
    EXPECT_FALSE(CreateDirectoryTree(faulty, c.path, log)) << c.path;
    EXPECT_EQ(log.lines, Lines{"Error " + std::to_string(c.code) + ": Could not create directory " +
                               c.path.substr(0, c.path.size() - 1) + ". " + c.message});
  }
}

TEST_F(FileOpsTest, RemoveFile) {
  const std::string read_only = temp_ / kOddName;
  const std::string stays = temp_ / "stays";
  for (const std::string& path : {read_only, stays}) {
    WriteFile(path, "x");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  }
  FaultPlatform faulty(platform_);
  faulty.AddFault({Op::kDeleteFile, "stays", 0, EBUSY});
  EXPECT_TRUE(RemoveFile(faulty, read_only, log_));
  EXPECT_FALSE(::qv::testing::PathExists(read_only));
  EXPECT_FALSE(RemoveFile(faulty, stays, log_));
  EXPECT_EQ(ReadAttributes(platform_, stays, log_), kAttrReadOnly) << "a file that stays keeps it";
  EXPECT_FALSE(RemoveFile(faulty, temp_ / "missing", log_));
  EXPECT_EQ(log_.lines, (Lines{"Error 16: Could not delete " + stays + ". Device or resource busy",
                               "Error 2: Could not read file attributes of " + temp_ / "missing" +
                                   ". No such file or directory"}));
}

TEST_F(FileOpsTest, SizesAndVolumes) {
  const std::string sparse = temp_ / "sparse";
  WriteFile(sparse, "s");
  ASSERT_EQ(truncate(sparse.c_str(), 64 << 20), 0);
  EXPECT_EQ(SizeOnDisk(platform_, sparse, false, 64 << 20, log_), 64 << 20);
  EXPECT_LT(SizeOnDisk(platform_, sparse, true, 64 << 20, log_), 1 << 20);
  EXPECT_EQ(SizeOnDisk(platform_, temp_ / "missing", true, 77, log_), 77);
  EXPECT_EQ(log_.lines, Lines{"Error 2: Could not get compressed size of " + temp_ / "missing" +
                              ". No such file or directory"});

  FaultPlatform faulty(platform_);
  faulty.AddFault({Op::kGetVolume, "", 0, EIO});
  faulty.AddFault({Op::kFreeSpace, "", 0, EIO});
  int64_t free_bytes = 0;
  int64_t total_bytes = 0;
  GetFreeSpace(faulty, temp_.path(), &free_bytes, &total_bytes);
  EXPECT_EQ(free_bytes + total_bytes, -2);
  EXPECT_TRUE(SupportsCompression(faulty, temp_.path()));  // assumed when it cannot be asked
}

TEST_F(FileOpsTest, CopyStatusText) {
  const CopyProgress progress = CopyStatusProgress("/src/f", log_);
  EXPECT_EQ(progress(0, 1536), 0);
  EXPECT_EQ(progress(1536, 1536), 0);
  EXPECT_EQ(progress(1, 3 << 20), 0);  // a second stream brings a new total
  log_.terminated = true;
  EXPECT_EQ(progress(2, 3 << 20), ECANCELED);
  EXPECT_EQ(log_.statuses,
            (Lines{"/src/f  0 bytes of 2 KB", "/src/f  2 KB of 2 KB", "/src/f  1 bytes of 3 MB"}));
}

TEST_F(FileOpsTest, CopyWithProgress) {
  const std::string source = temp_ / kOddName;
  WriteFile(source, std::string(3 << 20, 'c'));
  ASSERT_TRUE(CopyFileWithProgress(platform_, source, temp_ / "copy", log_).ok());
  EXPECT_EQ(log_.statuses[0], source);
  EXPECT_TRUE(log_.statuses.back().starts_with(source + "  ")) << log_.statuses.back();
  // A stopped scan cancels the copy and leaves the old file; the caller logs.
  log_.terminated = true;
  WriteFile(temp_ / "copy", "old");
  EXPECT_EQ(CopyFileWithProgress(platform_, source, temp_ / "copy", log_).cond(), Cond::kCancelled);
  EXPECT_EQ(ReadFile(temp_ / "copy"), "old");
  EXPECT_TRUE(log_.lines.empty());
}

}  // namespace
}  // namespace qv
