#include <cstdint>
#include <limits>
#include <optional>
#include <tuple>

#include "filesys/file_times.h"
#include "filesys/path_ops.h"
#include "filesys/text_format.h"
#include "tests/filesys/posix_fixture.h"

namespace qv::testing {
namespace {

using Texts = std::tuple<const char*, const char*, const char*>;

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr FileTime kSecond = kFileTimeTicksPerSecond;
// 2021-03-04 05:06:07 UTC.
constexpr FileTime kSomeTime = (1614834367 + kUnixEpochSeconds) * kSecond;

// "/./" counts only right after the root; bytes above 127 are not blanks.
TEST(PathOpsTest, ComponentsComparisonsPatternsAndTrim) {
  for (const auto& [path, parent, last] :
       {Texts{"/a/b/c/", "/a/b/", "c"}, {"/a", "/", "a"}, {"/", "", ""}, {"name", "", "name"}}) {
    EXPECT_EQ(ParentDir(path), parent) << path;
    EXPECT_EQ(LastComponent(path), last) << path;
  }
  // Names that differ by case are different names.
  EXPECT_TRUE(Overlap("/m/", "/m/in/") && IsInside("/m/in/", "/m/") && !IsInside("/m/", "/m/"));
  EXPECT_FALSE(Overlap("/M/in/", "/m/") || Overlap("/mx/", "/m/") || IsInside("/M/in/", "/m/"));
  EXPECT_FALSE(IsPattern("/a/./b/"));
  for (const char* pattern : {"home/u/", "", "/home/*.tmp", "/file?", "/./Temp/"})
    EXPECT_TRUE(IsPattern(pattern)) << pattern;
  EXPECT_EQ(Trim(std::string(" \t\0/a b/\r\n", 10)) + Trim("\xC3\xA9 "), "/a b/\xC3\xA9");
}

// Undefined names stay as written; values are not expanded again.
TEST(PathOpsTest, ExpandAndNormalise) {
  ScopedEnv home("HOME", "/home/tester"), dir("QV_TEST_DIR", "/srv/%HOME%");
  ScopedEnv empty("QV_TEST_EMPTY", ""), undefined("QV_TEST_UNDEFINED", std::nullopt);
  Platform& platform = DefaultPlatform();
  const std::pair<const char*, const char*> kCases[] = {
      {"%HOME%/D/", "/home/tester/D/"},  {"~/D/", "/home/tester/D/"},
      {"${HOME}/D/", "/home/tester/D/"}, {"%QV_TEST_UNDEFINED%HOME%", "%QV_TEST_UNDEFINED%HOME%"},
      {"%QV_TEST_DIR%", "/srv/%HOME%"},  {"/\xFF%HOME%\x80", "/\xFF/home/tester\x80"},
      {"/a%QV_TEST_EMPTY%b", "/ab"}};
  for (const auto& [text, expanded] : kCases)
    EXPECT_EQ(ExpandEnvironment(platform, text), expanded);
  const std::tuple<const char*, bool, const char*, const char*> kNormalised[] = {
      {"/./T/", false, "/T/", "/T/"},
      {"/././x", false, "/./x", "/./x/"},
      {"%HOME%/./x", true, "/home/tester/./x", "/home/tester/./x/"},
      {"%HOME%", false, "%HOME%", "%HOME%/"},
      {" /d ", false, " /d ", "/d/"},
      {"%QV_TEST_EMPTY% ", true, " ", ""}};
  for (const auto& [path, expand, as_path, as_directory] : kNormalised) {
    EXPECT_EQ(NormalisePath(platform, path, expand), as_path) << path;
    EXPECT_EQ(NormaliseDirectory(platform, path, expand), as_directory) << path;
  }
  ScopedEnv no_home("HOME", std::nullopt);
  EXPECT_EQ(ExpandEnvironment(platform, "~/x"), "~/x");
}

// As a shell expands a typed path: $HOME, else the user database; "~name" up
// to the first "/"; a name no user has stays as typed.
TEST(PathOpsTest, ExpandTilde) {
  Platform& platform = DefaultPlatform();
  std::string own_home;
  ASSERT_TRUE(platform.UserHome("", &own_home).ok());
  const std::tuple<std::optional<const char*>, const char*, std::string> kCases[] = {
      {"/home/tester", "~", "/home/tester"},
      {"/home/tester/", "~/a/", "/home/tester/a/"},
      {"/", "~/x", "/x"},
      {"/home/tester", "~root/x", "/root/x"},
      {"/home/tester", "~qv_no_such_user/x", "~qv_no_such_user/x"},
      {"/home/tester", "/a/~/b", "/a/~/b"},
      {"/home/tester", "%HOME%/~", "%HOME%/~"},
      {std::nullopt, "~/x", own_home + "/x"},
      {"", "~/x", own_home + "/x"},
  };
  for (const auto& [home, text, expanded] : kCases) {
    ScopedEnv env("HOME", home ? std::optional<std::string>(*home) : std::nullopt);
    EXPECT_EQ(ExpandTilde(platform, text), expanded) << text;
  }
}

// An unknown time (0) matches any; times far apart must not overflow.
TEST(FileTimesTest, TimesEqualAndTimeText) {
  const FileTime t = kSomeTime;
  const FileTime u = kSomeTime + 2 * kSecond;
  const std::tuple<FileTime, FileTime, int64_t, bool> kCases[] = {
      {t, t, 1, true},         {t, t + 1, 1, false}, {t + 1, t, 2, true}, {t, u, 20000001, true},
      {u, t, 20000000, false}, {0, t, 1, true},      {t, 0, 1, true},     {-1, kMax, kMax, false}};
  for (const auto& [a, b, resolution, equal] : kCases)
    EXPECT_EQ(TimesEqual(a, b, resolution), equal) << a << " " << b;
  const std::tuple<const char*, FileTime, const char*> kTexts[] = {
      {"EST5", kSomeTime - 6 * 3600 * kSecond, "2021/03/03   18:06:07"},
      {"UTC", kSomeTime + kSecond - 1, "2021/03/04   05:06:07"},
      {"UTC", (kUnixEpochSeconds - 1) * kSecond + 5000000, "1969/12/31   23:59:59"}};
  for (const auto& [zone, time, text] : kTexts) {
    ScopedEnv tz("TZ", zone);
    EXPECT_EQ(TimeText(DefaultPlatform(), time), text);
  }
}

// Pins the separators so that the tables do not depend on the machine's locale.
class TextFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNumberFormatForTesting(&format_); }
  void TearDown() override { SetNumberFormatForTesting(nullptr); }

  NumberFormat format_;
};

// 1024 * 1024 - 1 rounds up to 1024 KB, which is then grouped.
TEST_F(TextFormatTest, SizesAndDurationsAsText) {
  const std::tuple<int64_t, int, const char*> kTexts[] = {
      {0, 2, "0 bytes"},       {1023, 2, "1023 bytes"},    {-1023, 0, "-1023 bytes"},
      {1024, 2, "1.00 KB"},    {-2048, 2, "-2.00 KB"},     {1536, 0, "2 KB"},
      {1536, -1, "1.5 KB"},    {kMax, 2, "8.00 EB"},       {kMin, 2, "-8.00 EB"},
      {1 << 30, 2, "1.00 GB"}, {1048575, 2, "1,024.00 KB"}};
  for (const auto& [bytes, decimals, text] : kTexts) EXPECT_EQ(SizeText(bytes, decimals), text);
  EXPECT_EQ(ExactSizeText(-5000), "-5,000 Bytes");
  const std::pair<int64_t, const char*> kDurations[] = {
      {1, "100 nano sec"}, {10, "1 micro sec"}, {15, "1,500 nano sec"},
      {20000000, "2 sec"}, {0, "0 sec"},        {kMax, "922,337,203,685,477,580,700 nano sec"}};
  for (const auto& [value, text] : kDurations) EXPECT_EQ(DurationText(value), text);
  format_ = {".", ","};
  EXPECT_EQ(SizeText(1024 * 1024 - 1, 1), "1.024,0 KB");
  EXPECT_EQ(ExactSizeText(1536), "1.536 Bytes (1,50 KB)");
}

// What people type, in the C locale's form (the headless tool's) or in one
// with a decimal comma (a window cell's); halves round away from zero and
// nullopt is an error.
TEST(ParseTypedTest, SizesAndDurations) {
  constexpr int64_t kG = int64_t{1} << 30;
  const NumberFormat c;
  const NumberFormat comma{".", ","};
  const NumberFormat ungrouped{"", ","};
  enum Kind { kSize, kDuration };
  const std::tuple<const char*, const NumberFormat*, Kind, std::optional<int64_t>> kCases[] = {
      // Grouping in threes only; "," is never a decimal mark in the C form.
      {"1,500 GB", &c, kSize, 1500 * kG},
      {"1,536", &c, kSize, 1536},
      {"12,345,678", &c, kSize, 12345678},
      {"1,5 GB", &c, kSize, std::nullopt},
      {"1,,5 GB", &c, kSize, std::nullopt},
      {"1,5000", &c, kSize, std::nullopt},
      {"1234,567", &c, kSize, std::nullopt},
      {",500", &c, kSize, std::nullopt},
      {"1.5.2 KB", &c, kSize, std::nullopt},
      // Units in any case, with an optional "i" and "B", all powers of 1024.
      {"1G", &c, kSize, kG},
      {"1 GB", &c, kSize, kG},
      {" 1 gib ", &c, kSize, kG},
      {"500k", &c, kSize, 512000},
      {"2 MiB", &c, kSize, 2 << 20},
      {"1.5 kb", &c, kSize, 1536},
      {"3 TB", &c, kSize, int64_t{3} << 40},
      {"7 PiB", &c, kSize, int64_t{7} << 50},
      {"7 EB", &c, kSize, int64_t{7} << 60},
      {"12 Bytes", &c, kSize, 12},
      {"5 B", &c, kSize, 5},
      {"0.1 KB", &c, kSize, 102},
      {"0.5", &c, kSize, 1},
      {".5 KB", &c, kSize, 512},
      {"-2 KB", &c, kSize, -2048},
      {"+2 KB", &c, kSize, 2048},
      {"-0.5", &c, kSize, -1},
      {"", &c, kSize, std::nullopt},
      {"KB", &c, kSize, std::nullopt},
      {"KB 3", &c, kSize, std::nullopt},
      {"2 KB extra", &c, kSize, std::nullopt},
      {"1 Gx", &c, kSize, std::nullopt},
      {"1 GBi", &c, kSize, std::nullopt},
      {"1 Q", &c, kSize, std::nullopt},
      {"nan KB", &c, kSize, std::nullopt},
      {"1e3", &c, kSize, std::nullopt},
      {"8 EB", &c, kSize, std::nullopt},
      {"9223372036854775807", &c, kSize, kMax},
      {"9223372036854775808", &c, kSize, std::nullopt},
      {"99999999999999999999 KB", &c, kSize, std::nullopt},
      // The window's cells pass the user's decimal comma.
      {"1,5 GB", &comma, kSize, kG + kG / 2},
      {"1.000,5 KB", &comma, kSize, 1024512},
      {"1.5 GB", &comma, kSize, std::nullopt},
      {"1,5 GB", &ungrouped, kSize, kG + kG / 2},
      {"1.000 KB", &ungrouped, kSize, std::nullopt},
      // Durations count 100 ns; the program's own words and the short ones.
      {"2 sec", &c, kDuration, 20000000},
      {"2 SEC", &c, kDuration, 20000000},
      {"2s", &c, kDuration, 20000000},
      {"2 seconds", &c, kDuration, 20000000},
      {"10ms", &c, kDuration, 100000},
      {"10 milli sec", &c, kDuration, 100000},
      {"1,000.5 milli sec", &c, kDuration, 10005000},
      {"5us", &c, kDuration, 50},
      {"1 micro sec", &c, kDuration, 10},
      {"100ns", &c, kDuration, 1},
      {"149 nano sec", &c, kDuration, 1},
      {"150 NS", &c, kDuration, 2},
      {"0.25 s", &c, kDuration, 2500000},
      {"20000000", &c, kDuration, 20000000},
      {"1,5 s", &comma, kDuration, 15000000},
      {"1,5 s", &c, kDuration, std::nullopt},
      {"two sec", &c, kDuration, std::nullopt},
      {"2 sec more", &c, kDuration, std::nullopt},
      {"2 xs", &c, kDuration, std::nullopt},
      {"2 m", &c, kDuration, std::nullopt},
      {"1000000000000 s", &c, kDuration, std::nullopt},
      {"", &c, kDuration, std::nullopt},
  };
  for (const auto& [text, format, kind, expected] : kCases) {
    const std::optional<int64_t> parsed =
        kind == kSize ? ParseSizeText(text, *format) : ParseDurationText(text, *format);
    EXPECT_EQ(parsed, expected) << '"' << text << "\" with decimal " << format->decimal;
  }
}

}  // namespace
}  // namespace qv::testing
