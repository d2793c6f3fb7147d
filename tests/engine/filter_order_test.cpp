// Which of several filters decides, on real trees: the exclusions that
// protect (an excluded destination's source, an overlapping mirror) win over
// any inclusion, and between the user's own filters the more specific path
// wins, in whatever order they are stored.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "config/config_keys.h"
#include "config/filter.h"
#include "config/mapping.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

struct StoredFilter {
  std::string text;  // "@src/" and "@dst/" stand for the mirror's roots
  int type;
};

struct FilterOrderCase {
  const char* name;
  std::vector<StoredFilter> filters;
  Tree source;
  Tree dest_before;
  Tree dest_after;
  // A second mirror, of src/inner/, enabled or not.
  std::optional<bool> inner_mirror = std::nullopt;
};

const FilterOrderCase kCases[] = {
    {"IncludeAfterExcludedDestination",
     {{"@dst/keep/", kExcludedDestination},
      {"@src/keep/", kIncludedSourceDir},
      {"@src/other/", kIncludedSourceDir}},
     {"keep/a.txt=new", "other/b.txt=b"},
     {"keep/a.txt=mine", "keep/only.txt=mine"},
     {"keep/", "keep/a.txt=mine", "keep/only.txt=mine", "other/", "other/b.txt=b"}},
    {"IncludedFileInsideExcludedDirectory",
     {{"@src/data/", kIncludedSourceDir},
      {"@src/data/cache/", kExcludedSource},
      {"@src/data/cache/keep.txt", kIncludedSource}},
     {"data/a.txt=a", "data/cache/keep.txt=k", "data/cache/junk.txt=j", "data/cache/sub/x.txt=x",
      "top.txt=t"},
     {"data/cache/junk.txt=old"},
     {"data/", "data/a.txt=a", "data/cache/", "data/cache/keep.txt=k"}},
    {"IncludedFileTwoLevelsBelowAnExcludedDirectory",
     {{"@src/data/", kIncludedSourceDir},
      {"@src/data/cache/", kExcludedSource},
      {"@src/data/cache/sub/keep.txt", kIncludedSource}},
     {"data/cache/sub/keep.txt=k", "data/cache/sub/junk.txt=j", "data/cache/junk.txt=j"},
     {},
     {"data/", "data/cache/", "data/cache/sub/", "data/cache/sub/keep.txt=k"}},
    {"ExclusionInsideAnIncludedDirectory",
     {{"@src/data/", kIncludedSourceDir}, {"@src/data/tmp/", kExcludedSource}},
     {"data/a.txt=a", "data/tmp/t.txt=t"},
     {"data/tmp/t.txt=old"},
     {"data/", "data/a.txt=a"}},
    {"NamedFileAgainstAPatternOfTheSameDepth",
     {{"@src/*.log", kExcludedSource},
      {"@src/keep.log", kIncludedSource},
      {"@src/a.txt", kIncludedSource}},
     {"keep.log=k", "other.log=o", "a.txt=a"},
     {},
     {"a.txt=a", "keep.log=k"}},
    {"IncludeInsideAnOverlappingMirror",
     {{"@src/inner/", kIncludedSourceDir}, {"@src/inner/x.txt", kIncludedSource}},
     {"inner/x.txt=x", "outer.txt=o"},
     {},
     {},
     true},
    {"DisabledInnerMirrorStaysInTheOuterOne",
     {},
     {"inner/x.txt=x", "outer.txt=o"},
     {},
     {"inner/", "inner/x.txt=x", "outer.txt=o"},
     false},
};

void PrintTo(const FilterOrderCase& test_case, std::ostream* out) { *out << test_case.name; }

class FilterOrderTest : public MirrorTest,
                        public ::testing::WithParamInterface<std::tuple<FilterOrderCase, bool>> {
 protected:
  // A second mirror, of src/inner/ onto inner_dst/, stored beside the test's
  // own; the scan's load of both decides what the outer mirror leaves out.
  void AddInnerMirror(bool enabled) {
    MakeDirs(src_ + "inner");
    TMapping inner(ini_, dir_ / "inner_dst/");
    inner.SetSource(src_ + "inner/");
    inner.mutable_settings().enabled = enabled;
    inner.mutable_settings().row = 2;
    ASSERT_TRUE(inner.Save());
    TMapping outer(ini_, dst_);
    outer.SetSource(src_);
    outer.mutable_settings().row = 1;
    ASSERT_TRUE(outer.Save());
    TMappings loaded(ini_);
    ASSERT_TRUE(loaded.Load(log_, &overlaps_, true, false));
  }
  // Stores the filters under keys that sort in the order given.
  void StoreInOrder(std::vector<StoredFilter> filters) {
    int row = 0;
    for (const StoredFilter& filter : filters) {
      std::string text = filter.text;
      if (text.starts_with("@src/")) text.replace(0, 5, src_);
      if (text.starts_with("@dst/")) text.replace(0, 5, dst_);
      char name[16];
      std::snprintf(name, sizeof name, "%05d", ++row);
      const std::string key = std::string(kFiltersKey) + "\\" + name;
      ASSERT_TRUE(ini_.WriteString(key, "", text));
      ASSERT_TRUE(ini_.WriteInteger(key, "FilterType", filter.type));
    }
  }
};

TEST_P(FilterOrderTest, DecidesAlikeInEitherOrder) {
  const auto& [test_case, reversed] = GetParam();
  std::vector<StoredFilter> filters = test_case.filters;
  if (reversed) std::reverse(filters.begin(), filters.end());
  StoreInOrder(filters);
  if (test_case.inner_mirror) AddInnerMirror(*test_case.inner_mirror);
  MakeTree(src_, test_case.source);
  MakeTree(dst_, test_case.dest_before);

  Run();

  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(DestTree(), test_case.dest_after);
}

// Each case as stored, and reversed where that is another order.
std::vector<std::tuple<FilterOrderCase, bool>> Orders() {
  std::vector<std::tuple<FilterOrderCase, bool>> orders;
  for (const FilterOrderCase& test_case : kCases) {
    orders.emplace_back(test_case, false);
    if (test_case.filters.size() > 1) orders.emplace_back(test_case, true);
  }
  return orders;
}

INSTANTIATE_TEST_SUITE_P(Filters, FilterOrderTest, ::testing::ValuesIn(Orders()),
                         [](const auto& param_info) {
                           return std::string(std::get<0>(param_info.param).name) +
                                  (std::get<1>(param_info.param) ? "Reversed" : "");
                         });

}  // namespace
}  // namespace qv::testing
