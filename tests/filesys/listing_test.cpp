#include "filesys/listing.h"

#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/testing/fault_platform.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using ::qv::testing::MakeDirs;
using ::qv::testing::RecordingLogger;
using ::qv::testing::WriteFile;

// Reports a stop request once it has been asked `allowed` times.
class StoppingLogger : public RecordingLogger {
 public:
  explicit StoppingLogger(int allowed) : allowed_(allowed) {}
  bool IsTerminated() override { return --allowed_ < 0; }

 private:
  int allowed_;
};

class ListingTest : public ::testing::Test {
 protected:
  Platform& platform_ = DefaultPlatform();
  ::qv::testing::ScopedTempDir temp_;
  RecordingLogger log_;
};

TEST_F(ListingTest, SortedByExactNameAndNeverEmptyOnFailure) {
  for (const char* name : {"b", "a", "B", "A", "\xFF", ".h", "a b"}) WriteFile(temp_ / name, name);
  TWideStringList<TFoundDestFile> list;
  ASSERT_TRUE(ListDestDirectory(platform_, temp_.path(), &list).ok());
  std::vector<std::string> names;
  for (const auto& item : list) names.push_back(item.text);
  EXPECT_EQ(names, (std::vector<std::string>{".h", "A", "B", "a", "a b", "b", "\xFF"}));
  const TFoundDestFile& found = *list.Object(list.Find("a b"));
  EXPECT_EQ(found.size, 3);
  EXPECT_EQ(found.full_path, found.directory + "a b");
  EXPECT_EQ(found.directory, temp_.path());

  for (const std::string& bad : {temp_ / "missing/", temp_ / "a/"}) {
    EXPECT_EQ(ListDestDirectory(platform_, bad, &list).cond(), Cond::kNotFound) << bad;
    EXPECT_TRUE(list.Empty()) << "a failed listing must not leave old entries";
  }
  EXPECT_EQ(FileSize(platform_, temp_ / "a b"), 3);
  EXPECT_EQ(FileSize(platform_, temp_ / "missing"), -1);
}

// root/ holds f1 (100 bytes), a FIFO, sub/ with f2 (200) and a sparse file
// (one written byte, 8 MiB long), sub/deeper/ (empty) and a link to sub/.
class DirectorySizeTest : public ListingTest {
 protected:
  void SetUp() override {
    MakeDirs(root_ + "sub/deeper");
    WriteFile(root_ + "f1", std::string(100, '1'));
    WriteFile(root_ + "sub/f2", std::string(200, '2'));
    WriteFile(root_ + "sub/sparse", "s");
    ASSERT_EQ(truncate((root_ + "sub/sparse").c_str(), kSparseSize), 0);
    ASSERT_EQ(mkfifo((root_ + "fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("sub", (root_ + "link").c_str()), 0);
  }
  bool Size(Platform& platform, const std::string& path, TLogger& logger, int options) {
    counts_ = TCounts();
    visited_ = 0;
    return DirectorySize(platform, path, &counts_, &visited_, logger, options);
  }

  static constexpr int64_t kSparseSize = 8 << 20;
  static constexpr int64_t kAllSizes = 100 + 200 + kSparseSize;
  const std::string root_ = temp_ / "root/";
  TCounts counts_;
  int64_t visited_ = 0;
};

TEST_F(DirectorySizeTest, CountsWithOptions) {
  const struct {
    int options;
    int dirs;  // sub, deeper and the link; the start with kDirSizeCountStart
    bool on_disk;
  } kCases[] = {
      {0, 3, false}, {kDirSizeNoPolling | kDirSizeCountStart, 4, false}, {kDirSizeOnDisk, 3, true}};
  for (const auto& c : kCases) {
    EXPECT_TRUE(Size(platform_, root_, log_, c.options));
    EXPECT_EQ(counts_.dirs, c.dirs) << c.options;
    EXPECT_EQ(counts_.files, 4) << c.options;  // f1, f2, sparse and the FIFO
    EXPECT_EQ(counts_.size, kAllSizes) << c.options;
    EXPECT_EQ(counts_.compressed_size < kSparseSize, c.on_disk) << c.options;
    EXPECT_EQ(visited_, 3 + 4) << "root, sub and deeper walked; four files";
  }
  EXPECT_TRUE(log_.lines.empty()) << log_.Joined();
  EXPECT_EQ(log_.statuses[0], root_);

  EXPECT_TRUE(Size(platform_, root_ + "link/", log_, kDirSizeCountStart));
  EXPECT_EQ(counts_, (TCounts{0, 1, 0, 0})) << "a link is counted, never entered";
}

TEST_F(DirectorySizeTest, Failures) {
  EXPECT_FALSE(Size(platform_, root_ + "missing/", log_, kDirSizeCountStart));
  EXPECT_EQ(counts_, TCounts{});

  // Two directories fail; whichever comes first, the walk still reaches the other.
  MakeDirs(root_ + "zz");
  FaultPlatform faulty(platform_);
  faulty.AddFault({Op::kListDir, "/deeper/", 0, EIO});
  faulty.AddFault({Op::kListDir, "/zz/", 0, EIO});
  EXPECT_FALSE(Size(faulty, root_, log_, 0));
  EXPECT_EQ(counts_, (TCounts{4, 4, kAllSizes, kAllSizes}));
  EXPECT_EQ(log_.lines[0], "Error 2: Could not read file attributes of " + root_ +
                               "missing/. No such file or directory");
  for (const char* dir : {"sub/deeper/", "zz/"}) {
    EXPECT_TRUE(log_.Has("Error 5: Could not get directory listing of " + root_ + dir +
                         ". Input/output error"))
        << log_.Joined();
  }
  EXPECT_EQ(log_.lines.size(), 3u);
}

TEST_F(DirectorySizeTest, StopRequestEndsTheWalk) {
  for (int allowed : {0, 1, 3}) {
    StoppingLogger stopping(allowed);
    EXPECT_FALSE(Size(platform_, root_, stopping, 0)) << allowed;
    EXPECT_LE(counts_.files + counts_.dirs, allowed) << "one entry per allowed check";
  }
  StoppingLogger stopping(0);
  EXPECT_TRUE(Size(platform_, root_, stopping, kDirSizeNoPolling));
  EXPECT_EQ(counts_.files, 4);

  log_.terminated = true;  // CheckSuspend answers false before the first listing
  EXPECT_FALSE(Size(platform_, root_, log_, kDirSizeCountStart));
  EXPECT_EQ(counts_, (TCounts{0, 1, 0, 0}));
  EXPECT_TRUE(log_.statuses.empty());
}

}  // namespace
}  // namespace qv
