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

using DriveSpaceTest = ToolTest;

// A 64 MiB tmpfs whose archive holds two days of 16 MiB each. A sparse
// 10 GiB file with 1 MiB of data fits as it is; 70 MiB never fit, whatever
// goes from the archive.
TEST_F(DriveSpaceTest, ACopyNeedsTheRoomOfItsDataAndDaysGoOnlyWhenThatMakesIt) {
  ScopedMount drive(At("dst"), "tmpfs", "size=64m");
  SKIP_UNLESS_MOUNTED(drive);
  AddMirror();
  const std::string archive = At("dst/Quorvane archive/");
  MakeTree(archive, {"2020/01/01/10 00 00/old.bin=" + std::string(16 * kMiB, 'a'),
                     "2020/01/02/10 00 00/old.bin=" + std::string(16 * kMiB, 'b')});
  WriteFile(At("src/large.bin"), std::string(70 * kMiB, 'l'));
  const std::string data(kMiB, 'd');
  const int fd = open(At("src/sparse.bin").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(pwrite(fd, data.data(), data.size(), 5 * kGiB), kMiB);
  ASSERT_EQ(ftruncate(fd, 10 * kGiB), 0);
  close(fd);

  const ToolRun run = Run({"scan"});

  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(Has(run.out, "\nNot enough space on " + At("dst/") +
                               ". Continuing scan to collect free space.\n"))
      << run.out;
  EXPECT_FALSE(Has(run.out, "Removing day")) << run.out;
  EXPECT_TRUE(PathExists(archive + "2020/01/01/10 00 00/old.bin") &&
              PathExists(archive + "2020/01/02/10 00 00/old.bin"));
  EXPECT_FALSE(PathExists(At("dst/large.bin")));
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

}  // namespace
}  // namespace qv::testing
