#include "config/filter.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

TEST(FilterTest, BareRelativeAndAbsolutePatternsMatchTheirOwnWay) {
  const struct {
    const char* pattern;
    const char* directory;  // of the entry
    const char* name;       // with "/" for a directory
    bool matches;
  } cases[] = {
      {"*.tmp", "/data/deep/er/", "b.tmp", true},  // a bare name, in any directory
      {"*.tmp", "/data/x.tmp/", "a.txt", false},
      {"*.tmp", "/data/", "cache.tmp/", true},
      {"Cache/", "/data/", "Cache", false},
      {"Temp/*.tmp", "/data/x/Temp/", "a.tmp", true},  // below any directory of that name
      {"Temp/*.tmp", "/data/MyTemp/", "a.tmp", false},
      {"Temp/*.tmp", "/data/Temp/sub/", "a.tmp", false},
      {"a/Temp/*", "/data/b/Temp/", "x", false},
      {"Temp/Cache/", "/data/Temp/", "Cache/", true},
      {"T?mp/*.tmp", "/data/T?mp/", "a.tmp", true},
      {"T?mp/*.tmp", "/data/Temp/", "a.tmp", false},
      {"/data/Cache/", "/data/", "Cache/", true},  // an absolute one, on the full path
      {"/data/Cache/", "/data/sub/", "Cache/", false},
      {"/data/Report", "/data/", "Report/", true},
      {"/data/Report", "/data/", "Report.txt", false},
      {"/data/*/Cache/", "/data/a/b/", "Cache/", true},
      {"*.*", "/data/", "sub/", true},
  };
  for (const auto& c : cases) {
    const TFilter filter(c.pattern, 2, 0, true);
    std::string name = c.name;
    if (name.ends_with('/')) name.pop_back();
    EXPECT_EQ(filter.Matches(c.directory, name, std::string(c.directory) + c.name), c.matches)
        << c.pattern << " on " << c.directory << c.name;
  }
}

TEST(FilterTest, TypeNamesRoundTripExactly) {
  for (int type = 0; type < kFilterTypeCount; ++type) {
    EXPECT_EQ(FilterTypeFromName(FilterTypeName(type)), type);
  }
  EXPECT_EQ(FilterTypeFromName("Excluded Destination"), 0);
}

class FiltersTest : public ::testing::Test {
 protected:
  void Add(const std::string& pattern, int number, bool log = true) {
    filters_.Add(std::make_unique<TFilter>(pattern, number, 0, log));
  }
  bool Match(const std::string& dir, const std::string& name, bool remove_exact, int* number) {
    return filters_.MatchAndLog(dir, name, log_, "Skipped ", true, remove_exact, 3, dir + name,
                                number);
  }
  std::vector<std::string> Patterns() const {
    std::vector<std::string> patterns;
    for (int i = 0; i < filters_.Count(); ++i) patterns.push_back(filters_.Pattern(i));
    return patterns;
  }

  TFilters filters_;
  RecordingLogger log_;
};

TEST_F(FiltersTest, MatchAndLogNamesThePatternAndUsesUpExactMatchesWhenAsked) {
  Add("*.txt", 2);  // below the minimal number 3
  Add("/data/Cache/", 3);
  Add("/data/*.txt", 4);
  Add("*.bak", 5, false);
  int number = 0;
  EXPECT_TRUE(Match("/data/", "Cache/", false, &number));
  EXPECT_EQ(number, 3);
  EXPECT_TRUE(Match("/data/", "a.txt", true, &number));
  EXPECT_EQ(number, 4);
  EXPECT_TRUE(Match("/data/", "a.bak", true, nullptr));
  EXPECT_FALSE(Match("/other/", "a.txt", true, nullptr));
  EXPECT_EQ(Patterns(),
            (std::vector<std::string>{"*.txt", "/data/Cache/", "/data/*.txt", "*.bak"}));
  EXPECT_TRUE(Match("/data/", "Cache/", true, nullptr));
  EXPECT_EQ(Patterns(), (std::vector<std::string>{"*.txt", "/data/*.txt", "*.bak"}));
  EXPECT_EQ(log_.lines, (std::vector<std::string>{"Skipped /data/Cache/",
                                                  "Skipped /data/a.txt matching /data/*.txt",
                                                  "Skipped /data/Cache/"}));
}

TEST_F(FiltersTest, FindingAndRemovingByPlace) {
  Add("*.txt", 2);
  Add("/data/a/x.txt", 3);
  Add("/data/a/sub/", 4);
  Add("/data/a/sub/y", 5);
  Add("/data/ab/z", 6);
  Add("/data/a/", 7);
  EXPECT_EQ(filters_.FindFilterInside("/data/a/", 0), 1);
  EXPECT_EQ(filters_.FindFilterInside("/data/a/", 4), 2);
  EXPECT_EQ(filters_.FindFilterInside("/data/a/sub/y/", 0), -1);
  filters_.RemoveFiltersOfDirectory("/data/a/");
  EXPECT_EQ(Patterns(),
            (std::vector<std::string>{"*.txt", "/data/a/sub/y", "/data/ab/z", "/data/a/"}));
  filters_.RemoveFiltersInside("/data/a/");
  EXPECT_EQ(Patterns(), (std::vector<std::string>{"*.txt", "/data/ab/z"}));
}

}  // namespace
}  // namespace qv::testing
