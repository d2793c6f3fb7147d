// What a probe file learns of a file system: first from simulated ones that
// keep coarse or limited times, then from real ones.
#include "filesys/fs_probe.h"

#include <cctype>
#include <filesystem>
#include <tuple>

#include <gtest/gtest.h>
#include <sys/mount.h>

#include "filesys/path_ops.h"
#include "filesys/platform_wrapper.h"
#include "tests/support/scoped_image.h"
#include "tests/support/scoped_mount.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kSecond = kFileTimeTicksPerSecond;
// 2038-01-19 03:14:07 UTC.
constexpr FileTime k2038 = 13791957247LL * kSecond;

// Keeps write times as a file system does that cuts them to step, or rounds
// them to the nearest step, and no later than latest; with ignore_times it
// keeps none it is given; with ignore_case a name finds its entry in any case.
class SimulatedFileSystem : public PlatformWrapper {
 public:
  SimulatedFileSystem() : PlatformWrapper(DefaultPlatform()) {}

  Status SetTimes(const std::string& path, FileTime access, FileTime write) override {
    if (ignore_times) return Status::Ok();
    FileTime kept = (write + (round ? step / 2 : 0)) / step * step;
    if (latest != 0 && kept > latest) kept = latest;
    return PlatformWrapper::SetTimes(path, access, kept);
  }
  Status Stat(const std::string& path, FileInfo* info) override {
    if (!ignore_case) return PlatformWrapper::Stat(path, info);
    std::string name = LastComponent(path);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return PlatformWrapper::Stat(ParentDir(path) + name, info);
  }

  int64_t step = 1;
  bool round = false;
  FileTime latest = 0;
  bool ignore_times = false;
  bool ignore_case = false;
};

struct SimulatedCase {
  const char* name;
  void (*arrange)(SimulatedFileSystem&);
  FileSystemProbe expected;
};

const SimulatedCase kSimulated[] = {
    {"Exact", [](SimulatedFileSystem&) {}, {1, 0, false}},
    {"Microseconds", [](SimulatedFileSystem& f) { f.step = 10; }, {10, 0, false}},
    {"TenMillisecondsCut",
     [](SimulatedFileSystem& f) { f.step = kSecond / 100; },
     {kSecond / 100, 0, false}},
    {"TenMillisecondsRounded",
     [](SimulatedFileSystem& f) {
       f.step = kSecond / 100;
       f.round = true;
     },
     {kSecond / 100, 0, false}},
    {"SecondsCut", [](SimulatedFileSystem& f) { f.step = kSecond; }, {kSecond, 0, false}},
    {"SecondsRounded",
     [](SimulatedFileSystem& f) {
       f.step = kSecond;
       f.round = true;
     },
     {kSecond, 0, false}},
    {"TwoSecondsCut",
     [](SimulatedFileSystem& f) { f.step = 2 * kSecond; },
     {2 * kSecond, 0, false}},
    {"TwoSecondsRounded",
     [](SimulatedFileSystem& f) {
       f.step = 2 * kSecond;
       f.round = true;
     },
     {2 * kSecond, 0, false}},
    {"SecondsUpTo2038",
     [](SimulatedFileSystem& f) {
       f.step = kSecond;
       f.latest = k2038;
     },
     {kSecond, k2038, false}},
    {"TimesIgnored", [](SimulatedFileSystem& f) { f.ignore_times = true; }, {0, 0, false}},
    {"CaseIgnored", [](SimulatedFileSystem& f) { f.ignore_case = true; }, {1, 0, true}},
};

class SimulatedProbeTest : public ::testing::TestWithParam<SimulatedCase> {};

TEST_P(SimulatedProbeTest, LearnsWhatTheFileSystemKeeps) {
  ScopedTempDir dir;
  SimulatedFileSystem platform;
  GetParam().arrange(platform);
  FileSystemProbe probe;
  ASSERT_TRUE(ProbeByWriting(platform, dir.path(), &probe).ok());
  EXPECT_EQ(probe.write_resolution, GetParam().expected.write_resolution);
  EXPECT_EQ(probe.latest, GetParam().expected.latest);
  EXPECT_EQ(probe.ignores_case, GetParam().expected.ignores_case);
  EXPECT_TRUE(fs::is_empty(dir.path()));  // the probe file is gone
}

INSTANTIATE_TEST_SUITE_P(Probe, SimulatedProbeTest, ::testing::ValuesIn(kSimulated),
                         [](const auto& param) { return std::string(param.param.name); });

// A tmpfs keeps exact times without limit and tells names apart by case;
// read-only, it takes no probe.
TEST(FileSystemProbeTest, TmpfsExactAndReadOnlyRefused) {
  ScopedTempDir dir;
  ScopedMount tmpfs(dir / "m/", "tmpfs", "size=1m");
  SKIP_UNLESS_MOUNTED(tmpfs);
  FileSystemProbe probe;
  ASSERT_TRUE(ProbeByWriting(DefaultPlatform(), tmpfs.dir, &probe).ok());
  EXPECT_EQ(probe.write_resolution, 1);
  EXPECT_EQ(probe.latest, 0);
  EXPECT_FALSE(probe.ignores_case);
  ASSERT_EQ(mount(nullptr, tmpfs.dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  EXPECT_EQ(ProbeByWriting(DefaultPlatform(), tmpfs.dir, &probe).cond(), Cond::kReadOnly);
}

// ext4 with 128-byte inodes keeps whole seconds up to 2038; exFAT through
// FUSE whole seconds, and names without case.
TEST(FileSystemProbeTest, RealFileSystemsOnImages) {
  using Kind = ScopedImageMount::Kind;
  const std::tuple<Kind, const char*, FileSystemProbe> kCases[] = {
      {Kind::kExt4SmallInodes, "ext4.img", {kSecond, k2038, false}},
      {Kind::kExfat, "exfat.img", {kSecond, 0, true}},
  };
  for (const auto& [kind, image, expected] : kCases) {
    SCOPED_TRACE(image);
    ScopedTempDir dir;
    ScopedImageMount drive(dir / image, dir / "m/", kind);
    SKIP_UNLESS_IMAGE_MOUNTED(drive);
    FileSystemProbe probe;
    ASSERT_TRUE(ProbeByWriting(DefaultPlatform(), drive.dir(), &probe).ok());
    EXPECT_EQ(probe.write_resolution, expected.write_resolution);
    EXPECT_EQ(probe.latest, expected.latest);
    EXPECT_EQ(probe.ignores_case, expected.ignores_case);
  }
}

}  // namespace
}  // namespace qv::testing
