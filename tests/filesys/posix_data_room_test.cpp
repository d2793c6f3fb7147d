// The room file data takes: its data extents widened to whole blocks.
#include "tests/filesys/posix_fixture.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = 1024 * kKiB;
constexpr int64_t kGiB = 1024 * kMiB;

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

// There a copy takes its apparent size (a scan there, with its private
// entries that exFAT keeps no modes for: tests/e2e).
TEST_F(PosixTest, ExfatKeepsNoHoles) {
  ScopedImageMount exfat(temp_ / "exfat/", ScopedImageMount::Kind::kExfat);
  SKIP_UNLESS_MOUNTED(exfat);
  DataLayout layout;
  ASSERT_TRUE(platform_.GetDataLayout(exfat.dir, &layout).ok());
  EXPECT_FALSE(layout.keeps_holes);
}

}  // namespace
}  // namespace qv::testing
