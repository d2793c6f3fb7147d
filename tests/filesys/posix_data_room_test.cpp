// The room file data takes: its data extents widened to whole blocks.
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "tests/filesys/posix_fixture.h"

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
      {"two extents in one large block",
       kMiB,
       {{0, 4 * kKiB}, {8 * kKiB, 4 * kKiB}},
       64 * kKiB,
       64 * kKiB},
      {"two extents in two large blocks",
       kMiB,
       {{0, 4 * kKiB}, {512 * kKiB, 4 * kKiB}},
       64 * kKiB,
       128 * kKiB},
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

}  // namespace
}  // namespace qv::testing
