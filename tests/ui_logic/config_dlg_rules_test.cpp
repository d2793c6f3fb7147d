// The configuration dialog's rules that need no window.
#include "ui/logic/config_dlg_rules.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/filter.h"

namespace qv::testing {
namespace {

TListRow Filter(int type, const std::string& text) {
  return {"", {int64_t{1}, int64_t{type}, text, int64_t{0}}};
}

TEST(ConfigDlgRulesTest, AnExcludedSourceBeforeAnyInclusionIsQuestioned) {
  const std::string kAsked =
      "The excluded source /home/*.tmp will have no effect if it is not preceeded by an "
      "included source. Use it as an excluded source anyway?";
  const struct {
    const char* name;
    std::vector<TListRow> rows;
    std::optional<std::string> question;
  } kCases[] = {
      {"none", {}, std::nullopt},
      {"excluded first",
       {Filter(kExcludedSource, "/home/*.tmp"), Filter(kIncludedSource, "*.*")},
       kAsked},
      {"included first",
       {Filter(kIncludedSource, "*.*"), Filter(kExcludedSource, "/home/*.tmp")},
       std::nullopt},
      {"included dir first",
       {Filter(kIncludedSourceDir, "/home/"), Filter(kExcludedSource, "/home/*.tmp")},
       std::nullopt},
      {"other types passed over",
       {Filter(kExcludedDestination, "/b/"), Filter(kRemoveEmptyDestinationDir, "/c/"),
        Filter(kExcludedSource, "/home/*.tmp")},
       kAsked},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ExcludedBeforeIncludedQuestion(c.rows), c.question) << c.name;
  }
}

// A mirror's row in the grid's columns: sizes and write time resolution.
TListRow Mirror(const std::string& source, const std::string& destination, int64_t size = 0,
                int64_t resolution = 0) {
  return {"k",
          {int64_t{1}, source, destination, size, size, size, size, size, int64_t{0}, int64_t{1},
           int64_t{1}, int64_t{1}, int64_t{0}, resolution}};
}

TEST(ConfigDlgRulesTest, MappingsChangeByCountOrAnyValueInOrder) {
  const std::vector<TListRow> stored = {Mirror("/a/", "/x/"), Mirror("/b/", "/y/", 0, 100)};
  const struct {
    const char* name;
    std::vector<TListRow> edited;
    bool changed;
  } kCases[] = {
      {"same", stored, false},
      {"a resolution not stored, filled in",
       {Mirror("/a/", "/x/", 0, 2000000), Mirror("/b/", "/y/", 0, 100)},
       false},
      {"a stored resolution", {Mirror("/a/", "/x/"), Mirror("/b/", "/y/", 0, 200)}, true},
      {"a row without destination makes no mirror",
       {Mirror("/a/", "/x/"), Mirror("/c/", ""), Mirror("/b/", "/y/", 0, 100)},
       false},
      {"destination", {Mirror("/a/", "/x/"), Mirror("/b/", "/z/", 0, 100)}, true},
      {"a size", {Mirror("/a/", "/x/"), Mirror("/b/", "/y/", 5, 100)}, true},
      {"order", {Mirror("/b/", "/y/", 0, 100), Mirror("/a/", "/x/")}, true},
      {"one more",
       {Mirror("/a/", "/x/"), Mirror("/b/", "/y/", 0, 100), Mirror("/c/", "/w/")},
       true},
      {"one less", {Mirror("/a/", "/x/")}, true},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(MappingsChanged(stored, c.edited), c.changed) << c.name;
  }
}

TEST(ConfigDlgRulesTest, TheAutoFilterQuestionMentionsConfirmOnlyWhenItIsOff) {
  EXPECT_EQ(DisableAutoFilterQuestion(true),
            "Be sure your filters protect boot files and handle overlapping mirrors. Disable the "
            "automatic filters anyway?");
  EXPECT_EQ(DisableAutoFilterQuestion(false),
            "Be sure your filters protect boot files and handle overlapping mirrors. The first "
            "time you might want to turn on the confirm updates of destination checkbox to test "
            "your filters. Disable the automatic filters anyway?");
}

}  // namespace
}  // namespace qv::testing
