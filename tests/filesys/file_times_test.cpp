#include "filesys/file_times.h"

#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace qv {
namespace {

constexpr FileTime kSecond = kFileTimeTicksPerSecond;
constexpr FileTime kMax = std::numeric_limits<FileTime>::max();
// 2021-03-04 05:06:07 UTC.
constexpr FileTime kSomeTime = (1614834367 + kUnixEpochSeconds) * kSecond;

TEST(FileTimesTest, TimesEqual) {
  const FileTime t = kSomeTime;
  const struct {
    FileTime a;
    FileTime b;
    int64_t resolution;
    bool equal;
  } kCases[] = {
      {t, t, 1, true},
      {t, t + 1, 1, false},
      {t + 1, t, 2, true},
      {t, t + 2 * kSecond, 20000001, true},
      {t + 2 * kSecond, t, 20000000, false},
      {0, t, 1, true},
      {t, 0, 1, true},         // an unknown time matches any
      {-1, kMax, kMax, false}  // far apart without overflow
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(TimesEqual(c.a, c.b, c.resolution), c.equal) << c.a << " " << c.b;
  }
}

TEST(FileTimesTest, TimeTextInLocalTime) {
  const char* tz = std::getenv("TZ");
  const std::string saved = tz ? tz : "";
  setenv("TZ", "EST5", 1);
  tzset();
  EXPECT_EQ(TimeText(DefaultPlatform(), kSomeTime - 6 * 3600 * kSecond), "2021/03/03   18:06:07");
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(TimeText(DefaultPlatform(), kSomeTime + kSecond - 1), "2021/03/04   05:06:07");
  if (tz) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace
}  // namespace qv
