#include "filesys/file_ops.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "filesys/listing.h"
#include "filesys/platform_wrapper.h"
#include "filesys/security.h"
#include "filesys/testing/fault_platform.h"
#include "tests/filesys/posix_fixture.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

using Lines = std::vector<std::string>;

// A name that is not UTF-8 must travel byte for byte.
const std::string kOddName = "caf\xE9-\xFF\xFE";
const std::string kNotFound = ". No such file or directory";

class FileOpsTest : public ::testing::Test {
 protected:
  Platform& platform_ = DefaultPlatform();
  ScopedTempDir temp_;
  RecordingLogger log_;
};

// A fault lets its first matching calls pass, fails as often as it may, and
// matches only its op and path; a failed call is not made.
TEST_F(FileOpsTest, FaultPlatformFailsTheChosenCalls) {
  FaultPlatform faults(platform_);
  faults.AddFault({Op::kRemoveDir, "", 0, ENOSPC});
  faults.AddFault({Op::kCreateDir, "/bee", 1, ENOSPC, 1});
  std::string made;
  for (const std::string name : {"a0", "bee1", "bee2", "bee3", "a4"})
    made += faults.CreateDir(temp_ / name).ok() && PathExists(temp_ / name) ? name : "-";
  EXPECT_EQ(made, "a0bee1-bee3a4");
  EXPECT_FALSE(PathExists(temp_ / "bee2"));
}

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

// Every failure is one exact line; a file that stays keeps its read-only bit.
TEST_F(FileOpsTest, AttributesRemovalSizesAndPrivileges) {
  const std::string file = temp_ / "file";
  const std::string stays = temp_ / "stays";
  const std::string missing = temp_ / ("no\nsuch " + kOddName);
  for (const std::string& path : {file, stays, temp_ / kOddName}) WriteFile(path, "x");
  ASSERT_EQ(truncate(file.c_str(), 64 << 20), 0);
  FaultPlatform faulty(platform_);
  faulty.AddFault({Op::kDeleteFile, "stays", 0, EBUSY});
  for (const std::string& path : {file, stays, temp_ / kOddName})
    EXPECT_TRUE(WriteAttributes(faulty, path, kAttrReadOnly, log_));
  EXPECT_EQ(ReadAttributes(platform_, file, log_), kAttrReadOnly | kAttrSparse);
  EXPECT_FALSE(FileExists(platform_, ".")) << "a relative path never exists";
  EXPECT_TRUE(ClearArchiveBit(platform_, file, kAttrArchive | kAttrReadOnly, log_));
  EXPECT_LT(SizeOnDisk(platform_, file, true, 64 << 20, log_), 1 << 20);
  EXPECT_TRUE(RemoveFile(faulty, temp_ / kOddName, log_));
  EXPECT_FALSE(PathExists(temp_ / kOddName));
  EXPECT_FALSE(RemoveFile(faulty, stays, log_));
  EXPECT_EQ(ReadAttributes(platform_, stays, log_), kAttrReadOnly);
  EXPECT_EQ(ReadAttributes(platform_, missing, log_), -1);
  EXPECT_FALSE(WriteAttributes(platform_, missing, 0, log_));
  StickyArchivePlatform sticky(platform_);
  EXPECT_FALSE(ClearArchiveBit(sticky, file, kAttrArchive, log_));
  EXPECT_FALSE(ReadSecurityDescriptor(platform_, missing, log_).has_value());
  EXPECT_EQ(SizeOnDisk(platform_, missing, true, 77, log_), 77);
  EXPECT_FALSE(RemoveFile(faulty, missing, log_));
  // A user without the rights (ENOTSUP) meets a platform without the service.
  faulty.AddFault({Op::kEnablePrivileges, "", 0, ENOTSUP, 1});
  faulty.AddFault({Op::kEnablePrivileges, "", 0, EIO, 1});
  EXPECT_FALSE(EnablePrivileges(faulty, log_) || EnablePrivileges(faulty, log_));
  EXPECT_EQ(EnablePrivileges(faulty, log_), geteuid() == 0);
  Lines expected = {
      "Error 16: Could not delete " + stays + ". Device or resource busy",
      "Error 2: Could not read file attributes of " + missing + kNotFound,
      "Error 2: Could not set file attributes of " + missing + kNotFound,
      "Error: Detected silent failure while trying to clear the archive bit of " + file,
      "Error 2: Could not read security descriptor of " + missing + kNotFound,
      "Error 2: Could not get compressed size of " + missing + kNotFound,
      "Error 2: Could not read file attributes of " + missing + kNotFound,
      "Error 5: Failed to adjust security privileges. Input/output error"};
  if (geteuid() == 0)
    expected.insert(expected.end(), {"Access rights granted", "Privileges granted"});
  EXPECT_EQ(log_.lines, expected);

  faulty.AddFault({Op::kGetVolume, "", 0, EIO});
  faulty.AddFault({Op::kFreeSpace, "", 0, EIO});
  int64_t free_bytes = 0, total_bytes = 0;
  GetFreeSpace(faulty, temp_.path(), &free_bytes, &total_bytes);
  EXPECT_EQ(free_bytes + total_bytes, -2);
  EXPECT_TRUE(SupportsCompression(faulty, temp_.path()));  // assumed when it cannot be asked
}

// Another process making a level first is success, not "File exists".
TEST_F(FileOpsTest, CreateDirectoryTree) {
  FaultPlatform racing(platform_);
  racing.on_call = [](Op op, const std::string& path) {
    if (op == Op::kCreateDir && path.ends_with("/race/b")) MakeDirs(path);
  };
  for (const std::string& path :
       {temp_ / "a/b/c/", temp_ / "a/b/c", temp_ / (kOddName + "/x/"), temp_ / "race/b/c/"}) {
    EXPECT_TRUE(CreateDirectoryTree(racing, path, log_)) << path;
    EXPECT_TRUE(std::filesystem::is_directory(path)) << path;
  }
  EXPECT_TRUE(log_.lines.empty()) << log_.Joined();
}

// Below an existing t/, t/b/c/ tries t/b/c (missing), makes t/b, then tries
// t/b/c again. A relative path runs out of parents instead of recursing forever.
TEST_F(FileOpsTest, CreateDirectoryTreeReportsTheLastFailure) {
  const std::tuple<std::string, Fault, const char*> kCases[] = {
      {temp_ / "t1/b/c/", {Op::kCreateDir, "/t1/", 0, ENOSPC}, "No space left on device"},
      {temp_ / "t2/b/c/", {Op::kCreateDir, "/t2/b", 1, EACCES}, "Permission denied"},
      {temp_ / "t3/b/c/", {Op::kCreateDir, "/t3/b/c", 1, EIO}, "Input/output error"},
      {"rel/dir/", {Op::kCreateDir, "", 0, ENOENT}, "No such file or directory"},
      {temp_ / "file/x/", {Op::kRemoveDir, "", 0, EEXIST}, "File exists"}};
  WriteFile(temp_ / "file", "x");
  for (const char* top : {"t1", "t2", "t3"}) MakeDirs(temp_ / top);
  for (const auto& [path, fault, message] : kCases) {
    FaultPlatform faulty(platform_);
    faulty.AddFault(fault);  // the last one never fires: the file is in the way
    RecordingLogger log;
    EXPECT_FALSE(CreateDirectoryTree(faulty, path, log)) << path;
    EXPECT_EQ(log.lines,
              Lines{"Error " + std::to_string(fault.error) + ": Could not create directory " +
                    path.substr(0, path.size() - 1) + ". " + message});
  }
}

TEST_F(FileOpsTest, CopyShowsProgressAndStopsWithTheScan) {
  const CopyProgress progress = CopyStatusProgress("/src/f", log_);
  EXPECT_EQ(progress(0, 1536) + progress(1536, 1536) + progress(1, 3 << 20), 0);
  EXPECT_EQ(log_.statuses,  // a second stream brings a new total
            (Lines{"/src/f  0 bytes of 2 KB", "/src/f  2 KB of 2 KB", "/src/f  1 bytes of 3 MB"}));
  // A stopped scan cancels the copy; the caller logs.
  log_.terminated = true;
  EXPECT_EQ(progress(2, 3 << 20), ECANCELED);
  EXPECT_TRUE(log_.lines.empty());
}

// root/ holds f1 (100 bytes), a FIFO, sub/ with f2 (200) and a sparse file
// (one written byte, 8 MiB long), sub/deeper/ (empty) and a link to sub/.
class ListingTest : public FileOpsTest {
 protected:
  void SetUp() override {
    MakeTree(root_, {"sub/deeper/", "f1=" + std::string(100, '1'), "sub/f2=" + std::string(200, '2'),
                     "sub/sparse=s", "link->sub"});
    ASSERT_EQ(truncate((root_ + "sub/sparse").c_str(), kSparseSize), 0);
    ASSERT_EQ(mkfifo((root_ + "fifo").c_str(), 0600), 0);
  }
  bool Size(Platform& platform, const std::string& path, int options) {
    counts_ = TCounts();
    visited_ = 0;
    return DirectorySize(platform, path, &counts_, &visited_, log_, options);
  }

  static constexpr int64_t kSparseSize = 8 << 20;
  static constexpr int64_t kAllSizes = 100 + 200 + kSparseSize;
  const std::string root_ = temp_ / "root/";
  TCounts counts_;
  int64_t visited_ = 0;
};

TEST_F(ListingTest, SortedByExactNameAndNeverEmptyOnFailure) {
  for (const char* name : {"b", "a", "B", "A", "\xFF", ".h", "a b"}) WriteFile(temp_ / name, name);
  TWideStringList<TFoundDestFile> list;
  ASSERT_TRUE(ListDestDirectory(platform_, temp_.path(), &list).ok());
  Lines names;
  for (const auto& item : list) names.push_back(item.text);
  EXPECT_EQ(names, (Lines{".h", "A", "B", "a", "a b", "b", "root", "\xFF"}));
  EXPECT_EQ(list.Object(list.Find("a b"))->full_path, temp_ / "a b");
  for (const std::string& bad : {temp_ / "missing/", temp_ / "a/", root_ + "link/"}) {
    EXPECT_EQ(ListDestDirectory(platform_, bad, &list).cond(), Cond::kNotFound) << bad;
    EXPECT_TRUE(list.Empty()) << "a failed listing must not leave old entries";
  }
  EXPECT_EQ(FileSize(platform_, temp_ / "a b") + FileSize(platform_, temp_ / "missing"), 3 - 1);
}

// Links are counted, never entered; FIFOs count as files. A failing directory
// is logged and the walk goes on; a stop request ends it unless told not to poll.
TEST_F(ListingTest, DirectorySize) {
  // Options; directories counted (sub, deeper, the link and, with
  // kDirSizeCountStart, the start); whether the sparse file counts by its blocks.
  const std::tuple<int, int, bool> kCases[] = {
      {0, 3, false}, {kDirSizeNoPolling | kDirSizeCountStart, 4, false}, {kDirSizeOnDisk, 3, true}};
  for (const auto& [options, dirs, on_disk] : kCases) {
    EXPECT_TRUE(Size(platform_, root_, options));
    EXPECT_EQ(std::tuple(counts_.dirs, counts_.files, counts_.size), std::tuple(dirs, 4, kAllSizes))
        << options;
    EXPECT_EQ(counts_.compressed_size < kSparseSize, on_disk) << options;
    EXPECT_EQ(visited_, 3 + 4) << "root, sub and deeper walked; four files";
  }
  EXPECT_EQ(log_.statuses[0], root_);
  EXPECT_TRUE(Size(platform_, root_ + "link/", kDirSizeCountStart));
  EXPECT_EQ(counts_, (TCounts{0, 1, 0, 0}));

  EXPECT_FALSE(Size(platform_, root_ + "missing/", kDirSizeCountStart));
  EXPECT_EQ(counts_, TCounts{});
  MakeDirs(root_ + "zz");
  FaultPlatform faulty(platform_);
  faulty.AddFault({Op::kListDir, "/deeper/", 0, EIO});
  faulty.AddFault({Op::kListDir, "/zz/", 0, EIO});
  EXPECT_FALSE(Size(faulty, root_, 0));
  EXPECT_EQ(counts_, (TCounts{4, 4, kAllSizes, kAllSizes}));
  std::sort(log_.lines.begin(), log_.lines.end());  // the walk takes entries as listed
  const std::string listing = "Error 5: Could not get directory listing of " + root_;
  EXPECT_EQ(
      log_.lines,
      (Lines{"Error 2: Could not read file attributes of " + root_ + "missing/" + kNotFound,
             listing + "sub/deeper/. Input/output error", listing + "zz/. Input/output error"}));

  log_.terminated = true;  // CheckSuspend answers false before the first listing
  EXPECT_TRUE(Size(platform_, root_, kDirSizeNoPolling));
  EXPECT_FALSE(Size(platform_, root_, kDirSizeCountStart));
  EXPECT_EQ(counts_, (TCounts{0, 1, 0, 0}));
}

}  // namespace
}  // namespace qv::testing
