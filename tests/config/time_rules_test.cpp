// Write times as a destination keeps them: its steps, the range it holds and
// the local time FAT and exFAT keep; and how a mirror settles them from its
// file system, a probe file and a stored resolution.
#include <cctype>
#include <optional>
#include <string>
#include <tuple>

#include "config/time_resolution.h"
#include "filesys/file_times.h"
#include "filesys/fs_probe.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

constexpr int64_t kSecond = kFileTimeTicksPerSecond;
constexpr int64_t kHour = 3600 * kSecond;

constexpr FileTime At(int64_t unix_seconds) { return (unix_seconds + kUnixEpochSeconds) * kSecond; }

constexpr FileTime kT = At(1600000000) + 1234567;  // 2020-09-13, with a fraction
constexpr FileTime k1975 = At(157766400);
constexpr FileTime k1980 = At(315532800);
constexpr FileTime k2038 = At(2147483647);
constexpr FileTime k2040 = At(2208988800);
constexpr FileTime k2200 = At(7258118400);
constexpr FileTime kFatEnd = At(4354819198);  // 2107-12-31 23:59:58, the last two seconds

TEST(WriteTimesTest, SourceTimesAreTakenAsTheDestinationKeepsThem) {
  const TTimeResolution exact = DefaultTimeResolution("ext4");
  const TTimeResolution fat = DefaultTimeResolution("vfat");
  const TTimeResolution small_inodes{1, kSecond, false, 0, k2038, false};
  const std::tuple<const char*, TTimeResolution, FileTime, FileTime, bool> kCases[] = {
      {"exact, equal", exact, kT, kT, true},
      {"exact, 100 ns apart", exact, kT, kT + 1, false},
      {"unknown source time", exact, 0, kT, true},
      {"FAT step", fat, kT, kT + 2 * kSecond - 1, true},
      {"beyond the FAT step", fat, kT, kT + 2 * kSecond, false},
      {"before FAT begins", fat, k1975, k1980, true},
      {"before FAT begins, changed since", fat, k1975, k1980 + 2 * kSecond, false},
      {"without a range nothing is cut", exact, k1975, k1980, false},
      {"after FAT ends", fat, k2200, kFatEnd, true},
      {"an hour later in local time", fat, kT, kT + kHour, true},
      {"an hour earlier in local time", fat, kT + kHour, kT, true},
      {"an hour and a step", fat, kT, kT + kHour + 2 * kSecond, false},
      {"two hours", fat, kT, kT + 2 * kHour, false},
      {"an hour is an hour in UTC", small_inodes, kT, kT + kHour, false},
      {"whole seconds", small_inodes, kT, kT - 1234567, true},
      {"after 2038", small_inodes, k2040, k2038, true},
      {"after 2038, changed since", small_inodes, k2040, k2038 - kSecond, false},
  };
  for (const auto& [name, resolution, source, dest, equal] : kCases) {
    EXPECT_EQ(WriteTimesEqual(source, dest, resolution), equal) << name;
  }
}

// The file system a destination reports.
class VolumePlatform : public ConfigTestPlatform {
 public:
  Status GetVolume(const std::string&, VolumeInfo* info) override {
    *info = VolumeInfo{"/media/d/", fs_type, "", "", 0, false};
    return Status::Ok();
  }
  std::string fs_type;
};

struct SettleCase {
  const char* name;
  const char* fs_type;
  int64_t stored;  // WriteTimeResolution; 0 = none
  std::optional<FileSystemProbe> probe;
  int64_t write;
  FileTime latest;
  bool local_time;
  bool case_line;
};

const SettleCase kSettle[] = {
    {"ext4 with small inodes", "ext4", 0, FileSystemProbe{kSecond, k2038, false}, kSecond, k2038,
     false, false},
    {"a stored resolution wins and nothing is cut", "ext4", 10,
     FileSystemProbe{kSecond, k2038, false}, 10, 0, false, false},
    {"the default when it is coarser", "vfat", 0, FileSystemProbe{kSecond, 0, true}, 2 * kSecond,
     kFatEnd + kSecond, true, true},
    {"exFAT without a probe", "exfat", 0, std::nullopt, 2 * kSecond, kFatEnd + kSecond, true,
     false},
    {"an exact one, probed", "xfs", 0, FileSystemProbe{1, 0, false}, 1, 0, false, false},
};

class SettleTest : public ::testing::TestWithParam<SettleCase> {
 protected:
  ScopedTempDir dir_;
  VolumePlatform platform_;
};

TEST_P(SettleTest, ResolutionAndRangeOfWriteTimes) {
  const SettleCase& c = GetParam();
  platform_.fs_type = c.fs_type;
  TQVIniFile ini(platform_, dir_ / "settings.db");
  TMapping mapping(ini, "/media/d/m/");
  mapping.mutable_settings().write_time_resolution = c.stored;
  RecordingLogger log;
  ASSERT_TRUE(mapping.PrepareForScan(log, c.probe ? &*c.probe : nullptr));

  const TTimeResolution& got = mapping.resolution();
  EXPECT_EQ(got.write, c.write);
  EXPECT_EQ(got.latest, c.latest);
  EXPECT_EQ(got.local_time, c.local_time);
  EXPECT_EQ(got.earliest != 0, c.local_time);  // only FAT and exFAT begin late
  if (c.latest != 0) {
    EXPECT_TRUE(log.HasPart("Destination drive /media/d/ keeps write times") &&
                log.HasPart(" up to " + TimeText(platform_, c.latest)));
  }
  EXPECT_EQ(log.Has("Destination drive /media/d/ does not tell names apart by case"), c.case_line);
  EXPECT_EQ(log.HasPart("keeps local times"), c.local_time);
}

INSTANTIATE_TEST_SUITE_P(Mapping, SettleTest, ::testing::ValuesIn(kSettle), [](const auto& param) {
  std::string name = param.param.name;
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
});

}  // namespace
}  // namespace qv::testing
