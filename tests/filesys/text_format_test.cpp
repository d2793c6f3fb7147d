#include "filesys/text_format.h"

#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace qv {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

// Pins the separators so that the tables do not depend on the machine's locale.
class TextFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNumberFormatForTesting(&format_); }
  void TearDown() override { SetNumberFormatForTesting(nullptr); }
  void Use(const char* thousands, const char* decimal) { format_ = {thousands, decimal}; }

  NumberFormat format_;
};

TEST(NumberFormatTest, CLocaleFallsBackToCommaAndPoint) {
  // The test program never calls setlocale: the C locale has no separator.
  EXPECT_EQ(CurrentNumberFormat().thousands, ",");
  EXPECT_EQ(CurrentNumberFormat().decimal, ".");
}

TEST_F(TextFormatTest, SizeTexts) {
  // 1024 * 1024 - 1 rounds up to 1024 KB, which is then grouped.
  const struct {
    int64_t bytes;
    int decimals;
    const char* text;
  } kCases[] = {{0, 2, "0 bytes"},    {1023, 2, "1023 bytes"}, {-1023, 0, "-1023 bytes"},
                {1024, 2, "1.00 KB"}, {1536, 2, "1.50 KB"},    {-2048, 2, "-2.00 KB"},
                {1536, 0, "2 KB"},    {1536, -1, "1.5 KB"},    {int64_t{5} << 40, 2, "5.00 TB"},
                {kMax, 2, "8.00 EB"}, {kMin, 2, "-8.00 EB"},   {1024 * 1024 - 1, 2, "1,024.00 KB"}};
  for (const auto& c : kCases) EXPECT_EQ(SizeText(c.bytes, c.decimals), c.text) << c.bytes;
  EXPECT_EQ(ExactSizeText(1023), "1,023 Bytes");
  EXPECT_EQ(ExactSizeText(1536), "1,536 Bytes (1.50 KB)");
  EXPECT_EQ(ExactSizeText(-5000), "-5,000 Bytes");
  EXPECT_EQ(ThousandsText(kMin), "-9,223,372,036,854,775,808");

  Use(".", ",");
  EXPECT_EQ(SizeText(1536, -1), "1,5 KB");
  EXPECT_EQ(SizeText(1024 * 1024 - 1, 1), "1.024,0 KB");
  EXPECT_EQ(ExactSizeText(1536), "1.536 Bytes (1,50 KB)");
}

TEST_F(TextFormatTest, ParseSizeText) {
  // Halves round away from zero; only the unit word is removed ("KB 3").
  const struct {
    const char* text;
    int64_t bytes;
  } kCases[] = {
      {"1,536", 1536}, {"12 Bytes", 12}, {"1.5 kb", 1536},          {"  3 GB  ", int64_t{3} << 30},
      {"0.1 KB", 102}, {"0.5", 1},       {"1,000 KB", 1024000},     {"-2 KB", -2048},
      {"+2 KB", 2048}, {"KB 3", 3072},   {"7 EB", int64_t{7} << 60}};
  for (const auto& c : kCases) EXPECT_EQ(ParseSizeText(c.text), c.bytes) << '"' << c.text << '"';
  for (const char* text :
       {"", "KB", "1.5.2 KB", "5 B", "2 KB extra", "inf", "nan KB", "9 EB", "1e40 YB"}) {
    EXPECT_EQ(ParseSizeText(text), -1) << '"' << text << '"';
  }
  Use(",", ",");  // the last of equal separators is the point
  EXPECT_EQ(ParseSizeText("1,000,5 KB"), 1024512);
  Use(".", ",");
  EXPECT_EQ(ParseSizeText("1.000,5 KB"), 1024512);
}

TEST_F(TextFormatTest, Durations) {
  // The unit and all after it are cut off; without a unit the number is taken as is.
  const struct {
    const char* text;
    int64_t value;
  } kParsed[] = {{"", 77},
                 {"2 SEC", 20000000},
                 {"1 micro sec", 10},
                 {"149 nano sec", 1},
                 {"1,000.5 milli sec", 10005000},
                 {"2 sec and more", 20000000},
                 {"20000000", 20000000},
                 {"two sec", -1},
                 {"sec", -1}};
  for (const auto& c : kParsed) EXPECT_EQ(ParseDurationText(c.text, 77), c.value) << c.text;
  const struct {
    int64_t value;
    const char* text;
  } kTexts[] = {{1, "100 nano sec"},    {10, "1 micro sec"},
                {15, "1,500 nano sec"}, {20000000, "2 sec"},
                {0, "0 sec"},           {kMax, "922,337,203,685,477,580,700 nano sec"}};
  for (const auto& c : kTexts) EXPECT_EQ(DurationText(c.value), c.text);
}

TEST_F(TextFormatTest, ParseBoolAndCountText) {
  for (const char* text : {" TRUE ", "yes", "y", "-1"}) EXPECT_TRUE(ParseBool(text, false)) << text;
  for (const char* text : {"false", "No", "n", "0"}) EXPECT_FALSE(ParseBool(text, true)) << text;
  for (const char* text : {"", "2", "yess"}) {
    EXPECT_TRUE(ParseBool(text, true)) << text;
    EXPECT_FALSE(ParseBool(text, false)) << text;
  }
  EXPECT_EQ(CountText(0, "file", "files"), "0 files");
  EXPECT_EQ(CountText(1, "file", "files"), "1 file");
  EXPECT_EQ(CountText(1234567, "file", "files"), "1,234,567 files");
  EXPECT_EQ(CountText(1, "", ""), "1");
}

}  // namespace
}  // namespace qv
