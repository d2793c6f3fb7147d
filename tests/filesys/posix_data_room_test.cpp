// The room file data takes: data extents widened to whole blocks, and which
// volumes keep holes.
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "tests/filesys/posix_fixture.h"
#include "tests/support/exfat_mount.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = 1024 * kKiB;
constexpr int64_t kGiB = 1024 * kMiB;

using Extents = std::vector<std::pair<int64_t, int64_t>>;  // offset, length

// A file of size bytes holding data in extents and holes everywhere else.
void MakeSparse(const std::string& path, int64_t size, const Extents& extents) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0) << path;
  for (const auto& [offset, length] : extents) {
    const std::string data(static_cast<size_t>(length), 'd');
    ASSERT_EQ(pwrite(fd, data.data(), data.size(), offset), length);
  }
  ASSERT_EQ(ftruncate(fd, size), 0);
  close(fd);
}

// The temporary directory lies on a file system that allocates and searches
// holes in 4 KiB blocks (ext4 or tmpfs).
TEST_F(PosixTest, DataSizeCountsDataExtentsInWholeBlocksOnce) {
  const struct {
    const char* name;
    int64_t size;
    Extents extents;
    int64_t block;
    int64_t room;
  } kCases[] = {
      {"dense, exact", 10000, {{0, 10000}}, 1, 10000},
      {"dense, in blocks", 10000, {{0, 10000}}, 4 * kKiB, 12 * kKiB},
      {"a megabyte in ten gigabytes", 10 * kGiB, {{5 * kGiB, kMiB}}, 4 * kKiB, kMiB},
      {"nothing but a hole", kMiB, {}, 4 * kKiB, 0},
      {"data at the end", 10000, {{8 * kKiB, 10000 - 8 * kKiB}}, 4 * kKiB, 4 * kKiB},
      {"two extents in one large block", kMiB, {{0, 4 * kKiB}, {8 * kKiB, 4 * kKiB}}, 64 * kKiB,
       64 * kKiB},
      {"two extents in two large blocks", kMiB, {{0, 4 * kKiB}, {512 * kKiB, 4 * kKiB}},
       64 * kKiB, 128 * kKiB},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string path = temp_ / c.name;
    MakeSparse(path, c.size, c.extents);
    int64_t room = -1;
    ASSERT_TRUE(platform_.DataSize(path, c.block, &room).ok());
    EXPECT_EQ(room, c.room);
  }
}

TEST_F(PosixTest, DataSizeIsOnlyForRegularFiles) {
  MakeTree(temp_.path(), {"dir/", "link->dir"});
  int64_t room = -1;
  EXPECT_EQ(platform_.DataSize(temp_ / "dir", 1, &room).code(), EINVAL);
  EXPECT_EQ(platform_.DataSize(temp_ / "link", 1, &room).code(), ELOOP);
  EXPECT_EQ(platform_.DataSize(temp_ / "missing", 1, &room).cond(), Cond::kNotFound);
}

TEST_F(PosixTest, TmpfsKeepsHolesExfatDoesNot) {
  ScopedMount tmpfs(temp_ / "tmpfs", "tmpfs", "size=1m");
  SKIP_UNLESS_MOUNTED(tmpfs);
  DataLayout layout;
  ASSERT_TRUE(platform_.GetDataLayout(tmpfs.dir, &layout).ok());
  EXPECT_TRUE(layout.keeps_holes);
  EXPECT_EQ(layout.block_size, sysconf(_SC_PAGESIZE));

  ScopedExfatMount exfat(temp_ / "exfat");
  SKIP_UNLESS_EXFAT(exfat);
  ASSERT_TRUE(platform_.GetDataLayout(exfat.dir, &layout).ok());
  EXPECT_FALSE(layout.keeps_holes);
}

}  // namespace
}  // namespace qv::testing
