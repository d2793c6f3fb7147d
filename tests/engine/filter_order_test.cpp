// Which of several filters decides, on real trees: the exclusions that
// protect (an excluded destination's source, an overlapping mirror) win over
// any inclusion, and between the user's own filters the more specific path
// wins, in whatever order they are stored.
#include <algorithm>
#include <cstdio>
#include <functional>
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
  Tree archived;  // what the run moved into the archive
  // Arranges what else the case needs (other mirrors) before the run.
  std::function<void(MirrorTest&)> arrange;
};

// A second mirror, of src/inner/ onto inner_dst/, stored beside the test's
// own; the scan's load of both decides what the outer mirror leaves out.
void AddInnerMirror(MirrorTest& test, bool enabled) {
  MakeDirs(test.src_ + "inner");
  TMapping inner(test.ini_, test.dir_ / "inner_dst/");
  inner.SetSource(test.src_ + "inner/");
  inner.mutable_settings().enabled = enabled;
  inner.mutable_settings().row = 2;
  ASSERT_TRUE(inner.Save());
  TMapping outer(test.ini_, test.dst_);
  outer.SetSource(test.src_);
  outer.mutable_settings().row = 1;
  ASSERT_TRUE(outer.Save());
  TMappings loaded(test.ini_);
  ASSERT_TRUE(loaded.Load(test.log_, &test.overlaps_, true, false));
}

const FilterOrderCase kCases[] = {
    {"IncludeAfterExcludedDestination",
     {{"@dst/keep/", kExcludedDestination},
      {"@src/keep/", kIncludedSourceDir},
      {"@src/other/", kIncludedSourceDir}},
     {"keep/a.txt=new", "other/b.txt=b"},
     {"keep/a.txt=mine", "keep/only.txt=mine"},
     {"keep/", "keep/a.txt=mine", "keep/only.txt=mine", "other/", "other/b.txt=b"},
     {},
     nullptr},
    {"IncludedFileInsideExcludedDirectory",
     {{"@src/data/", kIncludedSourceDir},
      {"@src/data/cache/", kExcludedSource},
      {"@src/data/cache/keep.txt", kIncludedSource}},
     {"data/a.txt=a", "data/cache/keep.txt=k", "data/cache/junk.txt=j", "data/cache/sub/x.txt=x",
      "top.txt=t"},
     {"data/cache/junk.txt=old"},
     {"data/", "data/a.txt=a", "data/cache/", "data/cache/keep.txt=k"},
     {"data/", "data/cache/", "data/cache/junk.txt=old"},
     nullptr},
    {"IncludedFileTwoLevelsBelowAnExcludedDirectory",
     {{"@src/data/", kIncludedSourceDir},
      {"@src/data/cache/", kExcludedSource},
      {"@src/data/cache/sub/keep.txt", kIncludedSource}},
     {"data/cache/sub/keep.txt=k", "data/cache/sub/junk.txt=j", "data/cache/junk.txt=j"},
     {},
     {"data/", "data/cache/", "data/cache/sub/", "data/cache/sub/keep.txt=k"},
     {},
     nullptr},
    {"ExclusionInsideAnIncludedDirectory",
     {{"@src/data/", kIncludedSourceDir}, {"@src/data/tmp/", kExcludedSource}},
     {"data/a.txt=a", "data/tmp/t.txt=t"},
     {"data/tmp/t.txt=old"},
     {"data/", "data/a.txt=a"},
     {"data/", "data/tmp/", "data/tmp/t.txt=old"},
     nullptr},
    {"NamedFileAgainstAPatternOfTheSameDepth",
     {{"@src/*.log", kExcludedSource},
      {"@src/keep.log", kIncludedSource},
      {"@src/a.txt", kIncludedSource}},
     {"keep.log=k", "other.log=o", "a.txt=a"},
     {},
     {"a.txt=a", "keep.log=k"},
     {},
     nullptr},
    {"IncludeInsideAnOverlappingMirror",
     {{"@src/inner/", kIncludedSourceDir}, {"@src/inner/x.txt", kIncludedSource}},
     {"inner/x.txt=x", "outer.txt=o"},
     {},
     {},
     {},
     [](MirrorTest& test) { AddInnerMirror(test, true); }},
    {"DisabledInnerMirrorStaysInTheOuterOne",
     {},
     {"inner/x.txt=x", "outer.txt=o"},
     {},
     {"inner/", "inner/x.txt=x", "outer.txt=o"},
     {},
     [](MirrorTest& test) { AddInnerMirror(test, false); }},
};

void PrintTo(const FilterOrderCase& test_case, std::ostream* out) { *out << test_case.name; }

class FilterOrderTest : public MirrorTest,
                        public ::testing::WithParamInterface<std::tuple<FilterOrderCase, bool>> {
 protected:
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
  if (test_case.arrange) test_case.arrange(*this);
  MakeTree(src_, test_case.source);
  MakeTree(dst_, test_case.dest_before);

  Run();

  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(DestTree(), test_case.dest_after);
  const std::string slot = Archived("");
  EXPECT_EQ(PathExists(slot) ? ListTree(slot) : Tree{}, test_case.archived);
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
