// Write times as a destination keeps them: its steps, the range it holds and
// the local time of FAT and exFAT.
#include <tuple>

#include <gtest/gtest.h>

#include "config/time_resolution.h"
#include "filesys/local_time.h"

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
constexpr FileTime kFatLast = At(4354819199);  // 2107-12-31 23:59:59

TEST(WriteTimesTest, SourceTimesAreTakenAsTheDestinationKeepsThem) {
  const TTimeResolution exact = DefaultTimeResolution("ext4");
  const TTimeResolution fat = DefaultTimeResolution("vfat");
  const TTimeResolution small_inodes{1, kSecond, false, 0, k2038, false};
  const std::tuple<const char*, TTimeResolution, FileTime, FileTime, bool> kCases[] = {
      {"100 ns apart", exact, kT, kT + 1, false},
      {"within the FAT step", fat, kT, kT + 2 * kSecond - 1, true},
      {"beyond the FAT step", fat, kT, kT + 2 * kSecond, false},
      {"before FAT begins", fat, k1975, k1980, true},
      {"before FAT begins, changed since", fat, k1975, k1980 + 2 * kSecond, false},
      {"without a range nothing is cut", exact, k1975, k1980, false},
      {"after FAT ends", fat, k2200, kFatLast - 1, true},
      {"an hour later in local time", fat, kT, kT + kHour, true},
      {"an hour and a step", fat, kT, kT + kHour + 2 * kSecond, false},
      {"an hour is an hour in UTC", small_inodes, kT, kT + kHour, false},
      {"after 2038", small_inodes, k2040, k2038, true},
      {"after 2038, changed since", small_inodes, k2040, k2038 - kSecond, false},
  };
  for (const auto& [name, resolution, source, dest, equal] : kCases) {
    EXPECT_EQ(WriteTimesEqual(source, dest, resolution), equal) << name;
  }
}

}  // namespace
}  // namespace qv::testing
