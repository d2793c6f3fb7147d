// Lists written by the tool, edited and saved as the configuration grid
// saves them, and listed by the tool again.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/list_save.h"
#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

using ListRoundTripTest = CliTest;

TEST_F(ListRoundTripTest, TheToolListsWhatTheGridSavedFromWhatTheToolWrote) {
  MakeTree(At(""), {"src/a/", "src/b/", "dst/a/", "dst/b/"});
  RunOk({"mirror", "add", "@src/a", "@dst/a"});
  RunOk({"mirror", "add", "@src/b", "@dst/b"});
  RunOk({"filter", "add", "excluded-source", "*.tmp"});
  RunOk({"filter", "add", "included-source", "*.doc", "--no-log"});
  RunOk({"minage", "add", "@src/a/x", "30"});
  RunOk({"minage", "add", "@src/a/y", "5"});
  RunOk({"filemap", "add", "@etc/h", "@src/a/h"});

  const TListKind kinds[] = {TListKind::kMappings, TListKind::kFilters, TListKind::kMinimalAges,
                             TListKind::kFileMappings};
  const std::vector<std::vector<std::string>> kStored = {{At("dst/a/"), At("dst/b/")},
                                                         {"*.tmp", "*.doc"},
                                                         {At("src/a/x/"), At("src/a/y/")},
                                                         {At("etc/h")}};
  std::vector<TListSnapshot> snapshots(4);
  std::vector<std::vector<TListRow>> rows;
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_TRUE(LoadList(Store(), kinds[i], &snapshots[i]));
    std::vector<std::string> texts;
    for (const TListRow& row : snapshots[i].rows) {
      texts.push_back(std::get<std::string>(row.values[TextColumn(kinds[i])]));
    }
    EXPECT_EQ(texts, kStored[i]) << i;
    rows.emplace_back(snapshots[i].rows.rbegin(), snapshots[i].rows.rend());
  }
  rows[1].back() = {"", {int64_t{0}, int64_t{4}, "@dst/b/old/", int64_t{1}}};  // for *.tmp
  rows[3].push_back({"", {At("src/b/g"), At("etc/g")}});
  RunOk({"filter", "add", "excluded-destination", "late"});  // while the grid is open

  std::vector<TListEdit> edits;
  for (size_t i = 0; i < 4; ++i) edits.push_back({snapshots[i], rows[i]});
  const TListSaveResult result = SaveLists(Store(), edits);
  ASSERT_TRUE(result.saved) << result.error;
  ASSERT_EQ(result.kept.size(), 1u);
  EXPECT_EQ(result.kept[0].text, "late");

  EXPECT_EQ(RunOk({"mirror", "list", "--destinations"}), Expand("@dst/b/\n@dst/a/\n"));
  EXPECT_EQ(RunOk({"filter", "list"}),
            "Number  Enabled  Type                          Log    Filter\n"
            "00001   true     included source               false  *.doc\n"
            "00002   false    remove empty destination dir  true   @dst/b/old/\n"
            "00003   true     excluded destination          true   late\n");
  EXPECT_EQ(RunOk({"minage", "list"}), Expand("Enabled  Minutes  Directory\n"
                                              "true     5        @src/a/y/\n"
                                              "true     30       @src/a/x/\n"));
  EXPECT_EQ(RunOk({"filemap", "list"}), Expand("Target" + std::string(At("etc/h").size() - 6, ' ') +
                                               "  Source\n@etc/h  @src/a/h\n@etc/g  @src/b/g\n"));
  // The tool's next entry goes after them.
  RunOk({"minage", "add", "@src/b/z", "1"});
  EXPECT_TRUE(RunOk({"minage", "list"}).ends_with(Expand("@src/b/z/\n")));
}

}  // namespace
}  // namespace qv::testing
