// The room a scan makes on a small real drive: a copy needs the room of its
// data, and archive days go only when removing them can make that room.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/e2e/tool_test.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

constexpr int64_t kMiB = 1024 * 1024;
constexpr int64_t kGiB = 1024 * kMiB;

class DriveSpaceTest : public ToolTest {
 protected:
  // A 64 MiB tmpfs as the destination drive; its archive holds two days of
  // 16 MiB each, which the first scan counts.
  void SetUp() override {
    ToolTest::SetUp();
    if (IsSkipped() || !drive_.mounted) return;
    AddMirror();
    archive_ = At("dst/Quorvane archive/");
    MakeTree(archive_, {"2020/01/01/10 00 00/old.bin=" + std::string(16 * kMiB, 'a'),
                        "2020/01/02/10 00 00/old.bin=" + std::string(16 * kMiB, 'b')});
  }
  bool DaysKept() const {
    return PathExists(archive_ + "2020/01/01/10 00 00/old.bin") &&
           PathExists(archive_ + "2020/01/02/10 00 00/old.bin");
  }

  ScopedMount drive_{At("dst"), "tmpfs", "size=64m"};
  std::string archive_;
};

TEST_F(DriveSpaceTest, ASparseFileTakesTheRoomOfItsData) {
  SKIP_UNLESS_MOUNTED(drive_);
  const std::string data(kMiB, 'd');
  const int fd = open(At("src/sparse.bin").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(pwrite(fd, data.data(), data.size(), 5 * kGiB), kMiB);
  ASSERT_EQ(ftruncate(fd, 10 * kGiB), 0);
  close(fd);

  const ToolRun run = Run({"scan"});

  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_FALSE(Has(run.out, "Removing day")) << run.out;
  EXPECT_TRUE(DaysKept());
  struct stat st {};
  ASSERT_EQ(stat(At("dst/sparse.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 10 * kGiB);
  EXPECT_LE(st.st_blocks * 512, 2 * kMiB);
  std::string copied(kMiB, '\0');
  const int in = open(At("dst/sparse.bin").c_str(), O_RDONLY);
  EXPECT_EQ(pread(in, copied.data(), copied.size(), 5 * kGiB), kMiB);
  close(in);
  EXPECT_TRUE(copied == data);
}

// 70 MiB never fit on the drive, whatever goes from the archive.
TEST_F(DriveSpaceTest, DaysThatCannotMakeTheRoomStay) {
  SKIP_UNLESS_MOUNTED(drive_);
  WriteFile(At("src/large.bin"), std::string(70 * kMiB, 'l'));

  const ToolRun run = Run({"scan"});

  EXPECT_TRUE(Has(run.out, "\nNot enough space on " + At("dst/") +
                               ". Continuing scan to collect free space.\n"))
      << run.out;
  EXPECT_FALSE(Has(run.out, "Removing day")) << run.out;
  EXPECT_TRUE(DaysKept());
  EXPECT_FALSE(PathExists(At("dst/large.bin")));
  EXPECT_EQ(run.code, 1);
}

}  // namespace
}  // namespace qv::testing
