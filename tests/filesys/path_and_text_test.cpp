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

// What people type, in the C locale's form (the headless tool's) or with a
// decimal comma (a window cell's). Halves round away from zero; nullopt is
// an error.
TEST(ParseTypedTest, SizesAndDurations) {
  constexpr int64_t kG = int64_t{1} << 30;
  constexpr std::nullopt_t kBad = std::nullopt;
  const NumberFormat c;
  const NumberFormat comma{".", ","};
  const NumberFormat ungrouped{"", ","};
  // "," groups threes only; units in any case with an optional "i" and "B".
  const std::pair<const char*, std::optional<int64_t>> kSizes[] = {
      {"12,345,678", 12345678}, {"500k", 512000}, {"2 MiB", 2097152}, {"1.5 kb", 1536},
      {"12 Bytes", 12},         {"5 B", 5},       {"0.1 KB", 102},    {"0.5", 1},
      {".5 KB", 512},           {"-2 KB", -2048}, {"+2 KB", 2048},    {"-0.5", -1}};
  for (const auto& [text, bytes] : kSizes) EXPECT_EQ(ParseSizeText(text, c), bytes) << text;
  for (const char* text : {"1,5 GB", "1,,5 GB", "1,5000", "1234,567", ",500", "1.5.2 KB", "",
                           "KB 3", "2 KB extra", "1 GBi", "1 Q", "nan KB", "1e3", "8 EB"})
    EXPECT_EQ(ParseSizeText(text, c), kBad) << text;
  for (const char* text : {"1G", " 1 gib ", "1 GB"}) EXPECT_EQ(ParseSizeText(text, c), kG) << text;
  EXPECT_EQ(ParseSizeText("1,500 GB", c), kG * 1500);
  EXPECT_EQ(ParseSizeText("3 PiB", c), 3 * (kG << 20));
  EXPECT_EQ(ParseSizeText("7 EB", c), 7 * (kG << 30));
  EXPECT_EQ(ParseSizeText("9223372036854775807", c), kMax);
  EXPECT_EQ(ParseSizeText("9223372036854775808", c), kBad);
  const std::pair<const char*, std::optional<int64_t>> kCommaSizes[] = {
      {"1,5 GB", kG + kG / 2}, {"1.000,5 KB", 1024512}, {"1.5 GB", kBad}};
  for (const auto& [text, bytes] : kCommaSizes)
    EXPECT_EQ(ParseSizeText(text, comma), bytes) << text;
  EXPECT_EQ(ParseSizeText("1,5 GB", ungrouped), kG + kG / 2);
  EXPECT_EQ(ParseSizeText("1.000 KB", ungrouped), kBad);
  // Durations count 100 ns: the program's words and the short ones.
  const std::pair<const char*, std::optional<int64_t>> kDurations[] = {
      {"2 SEC", 20000000},      {"2s", 20000000}, {"2 seconds", 20000000}, {"10ms", 100000},
      {"10 milli sec", 100000}, {"5us", 50},      {"1 micro sec", 10},     {"100ns", 1},
      {"149 nano sec", 1},      {"150 NS", 2},    {"0.25 s", 2500000},     {"20000000", 20000000}};
  for (const auto& [text, ticks] : kDurations) EXPECT_EQ(ParseDurationText(text, c), ticks) << text;
  for (const char* text : {"1,5 s", "two sec", "2 sec more", "2 xs", "2 m", "1000000000000 s"})
    EXPECT_EQ(ParseDurationText(text, c), kBad) << text;
  EXPECT_EQ(ParseDurationText("1,000.5 milli sec", c), 10005000);
  EXPECT_EQ(ParseDurationText("1,5 s", comma), 15000000);
}

}  // namespace
}  // namespace qv::testing
