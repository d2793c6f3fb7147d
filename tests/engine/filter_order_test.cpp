// Which of several filters decides, on real trees: the exclusions that
// protect (an excluded destination's source, an overlapping mirror) win over
// any inclusion, and between the user's own filters the more specific path
// wins, in whatever order they are stored.
#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "config/filter.h"
#include "config/mapping.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

struct FilterOrderCase {
  const char* name;
  std::vector<std::pair<const char*, int>> filters;  // SRC and DST stand for the roots
  Tree source;
  Tree dest_before;
  Tree dest_after;
  std::optional<bool> inner_mirror = std::nullopt;  // of SRCinner/: enabled or not
};

const FilterOrderCase kCases[] = {
    {"IncludeAfterExcludedDestination",
     {{"DSTkeep/", kExcludedDestination},
      {"SRCkeep/", kIncludedSourceDir},
      {"SRCother/", kIncludedSourceDir}},
     {"keep/a.txt=new", "other/b.txt=b"},
     {"keep/a.txt=mine", "keep/only.txt=mine"},
     {"keep/", "keep/a.txt=mine", "keep/only.txt=mine", "other/", "other/b.txt=b"}},
    {"IncludedFileInsideExcludedDirectory",
     {{"SRCdata/", kIncludedSourceDir},
      {"SRCdata/cache/", kExcludedSource},
      {"SRCdata/cache/keep.txt", kIncludedSource}},
     {"data/a.txt=a", "data/cache/keep.txt=k", "data/cache/junk.txt=j", "data/cache/sub/x.txt=x",
      "top.txt=t"},
     {"data/cache/junk.txt=old"},
     {"data/", "data/a.txt=a", "data/cache/", "data/cache/keep.txt=k"}},
    {"IncludedFileTwoLevelsBelowAnExcludedDirectory",
     {{"SRCdata/", kIncludedSourceDir},
      {"SRCdata/cache/", kExcludedSource},
      {"SRCdata/cache/sub/keep.txt", kIncludedSource}},
     {"data/cache/sub/keep.txt=k", "data/cache/sub/junk.txt=j", "data/cache/junk.txt=j"},
     {},
     {"data/", "data/cache/", "data/cache/sub/", "data/cache/sub/keep.txt=k"}},
    {"NamedFileAgainstAPatternOfTheSameDepth",
     {{"SRC*.log", kExcludedSource}, {"SRCkeep.log", kIncludedSource}},
     {"keep.log=k", "other.log=o"},
     {},
     {"keep.log=k"}},
    {"RelativePatternNamesWholeDirectories",
     {{"Temp/*.tmp", kExcludedSource}},
     {"a/Temp/x.tmp=x", "a/Temp/x.txt=t", "a/MyTemp/y.tmp=y", "Temp/z.tmp=z"},
     {},
     {"Temp/", "a/", "a/MyTemp/", "a/MyTemp/y.tmp=y", "a/Temp/", "a/Temp/x.txt=t"}},
    {"IncludeInsideAnOverlappingMirror",
     {{"SRCinner/", kIncludedSourceDir}, {"SRCinner/x.txt", kIncludedSource}},
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
                        public ::testing::WithParamInterface<std::pair<FilterOrderCase, bool>> {
 protected:
  // A second mirror, of SRCinner/ onto inner_dst/, stored beside the test's
  // own; the scan's load of both decides what the outer mirror leaves out.
  void AddInnerMirror(bool enabled) {
    TMapping inner(ini_, dir_ / "inner_dst/");
    inner.SetSource(src_ + "inner/");
    inner.mutable_settings().enabled = enabled;
    inner.mutable_settings().row = 2;
    mapping_->mutable_settings().row = 1;
    ASSERT_TRUE(inner.Save() && mapping_->Save());
    TMappings loaded(ini_);
    ASSERT_TRUE(loaded.Load(log_, &overlaps_, true, false));
  }
};

TEST_P(FilterOrderTest, DecidesAlikeInEitherOrder) {
  auto [test_case, reversed] = GetParam();
  if (reversed) std::ranges::reverse(test_case.filters);
  for (const auto& [text, type] : test_case.filters) StoreFilter(text, type);
  MakeTree(src_, test_case.source);
  MakeTree(dst_, test_case.dest_before);
  if (test_case.inner_mirror) AddInnerMirror(*test_case.inner_mirror);

  Run();

  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(DestTree(), test_case.dest_after);
}

// Each case as stored, and reversed where that is another order.
std::vector<std::pair<FilterOrderCase, bool>> Orders() {
  std::vector<std::pair<FilterOrderCase, bool>> orders;
  for (const FilterOrderCase& test_case : kCases) {
    orders.emplace_back(test_case, false);
    if (test_case.filters.size() > 1) orders.emplace_back(test_case, true);
  }
  return orders;
}

INSTANTIATE_TEST_SUITE_P(Filters, FilterOrderTest, ::testing::ValuesIn(Orders()),
                         [](const auto& param_info) {
                           return std::string(param_info.param.first.name) +
                                  (param_info.param.second ? "Reversed" : "");
                         });

}  // namespace
}  // namespace qv::testing
