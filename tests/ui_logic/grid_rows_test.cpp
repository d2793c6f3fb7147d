#include "ui/logic/grid_rows.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/registry_values.h"
#include "filesys/text_format.h"
#include "ui/logic/grid_columns.h"

namespace qv::testing {
namespace {

// Minimal-age rows by their folder ("" an empty row; "=0" a row holding
// only the default age, which counts as empty).
TGridRows AgeRows(const std::vector<std::string>& folders) {
  std::vector<TGridRow> rows;
  for (const std::string& folder : folders) {
    const bool only_age = folder == "=0";
    rows.push_back({folder.empty() ? "" : "k" + folder,
                    {"true", only_age ? "" : folder,
                     only_age         ? "0"
                     : folder.empty() ? ""
                                      : "5"},
                    {},
                    {}});
  }
  TGridRows grid(TListKind::kMinimalAges);
  grid = TGridRows(TListKind::kMinimalAges, rows);
  return grid;
}

std::vector<std::string> Folders(const TGridRows& grid) {
  std::vector<std::string> folders;
  for (const TGridRow& row : grid.rows()) folders.push_back(row.texts[1]);
  return folders;
}

// A decimal comma, as no such locale is installed here.
class GridRowsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNumberFormatForTesting(&format_); }
  void TearDown() override { SetNumberFormatForTesting(nullptr); }

 private:
  const NumberFormat format_{".", ","};
};

TEST_F(GridRowsTest, RowOperationsKeepExactlyOneEmptyRowAtTheEnd) {
  enum Op { kNone, kInsert, kDuplicate, kDelete };
  const struct {
    const char* what;
    std::vector<std::string> rows;
    Op op;
    int at;
    int current;
    std::vector<std::string> expected;
    int expected_current;
    std::vector<std::string> keys;  // "" for a row without one
  } kCases[] = {
      {"nothing loaded", {}, kNone, 0, 0, {""}, 0, {""}},
      {"an empty row appended", {"/a/"}, kNone, 0, 0, {"/a/", ""}, 0, {"k/a/", ""}},
      {"trailing empty rows collapse", {"/a/", "", "=0", "", ""}, kNone, 0, 4, {"/a/", ""}, 1, {}},
      {"an empty row inside stays", {"/a/", "", "/b/"}, kNone, 0, 0, {"/a/", "", "/b/", ""}, 0, {}},
      {"insert before the current row",
       {"/a/", "/b/"},
       kInsert,
       1,
       1,
       {"/a/", "", "/b/", ""},
       1,
       {"k/a/", "", "k/b/", ""}},
      {"insert on the last row adds nothing", {"/a/"}, kInsert, 1, 1, {"/a/", ""}, 1, {}},
      {"duplicate: the copy above has no key",
       {"/a/", "/b/"},
       kDuplicate,
       1,
       1,
       {"/a/", "/b/", "/b/", ""},
       1,
       {"k/a/", "", "k/b/", ""}},
      {"delete a middle row",
       {"/a/", "/b/", "/c/"},
       kDelete,
       1,
       2,
       {"/a/", "/c/", ""},
       1,
       {"k/a/", "k/c/", ""}},
      {"deleting the only row", {"/a/"}, kDelete, 0, 0, {""}, 0, {""}},
      {"deleting the empty row", {"/a/"}, kDelete, 1, 1, {"/a/", ""}, 1, {}},
      {"deleting the last full row", {"/a/", "/b/"}, kDelete, 1, 1, {"/a/", ""}, 1, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TGridRows grid = AgeRows(c.rows);
    int current = c.current;
    switch (c.op) {
      case kNone:
        grid.KeepOneEmptyRow(&current);
        break;
      case kInsert:
        grid.Insert(c.at, &current);
        break;
      case kDuplicate:
        grid.Duplicate(c.at, &current);
        break;
      case kDelete:
        grid.Delete(c.at, &current);
        break;
    }
    EXPECT_EQ(Folders(grid), c.expected);
    EXPECT_EQ(current, c.expected_current);
    if (c.keys.empty()) continue;
    std::vector<std::string> keys;
    for (const TGridRow& row : grid.rows()) keys.push_back(row.key);
    EXPECT_EQ(keys, c.keys);
  }
}

// Loaded values come back exactly unless their cell was edited; what the
// grid cannot show survives.
TEST_F(GridRowsTest, RowsGoBackToTheListAsLoadedOrAsEdited) {
  const TListSnapshot mappings{
      TListKind::kMappings,
      {{"k",
        {int64_t{1}, "/s/", "/d/", int64_t{0}, int64_t{1500000}, kNoLimit, kNoLimit, kNoLimit,
         int64_t{0}, int64_t{0}, int64_t{1}, int64_t{1}, int64_t{0}, int64_t{7}}}},
      {"k"}};
  const TListSnapshot filters{
      TListKind::kFilters, {{"00001", {int64_t{0}, int64_t{9}, "*.x", int64_t{1}}}}, {"00001"}};
  const struct {
    const TListSnapshot* snapshot;
    int column;
    std::string typed;  // "" leaves the cell as loaded
    std::string shown;
    TListValue saved;
  } kCases[] = {
      {&mappings, 4, "", "1,43 MB", int64_t{1500000}},
      {&mappings, 4, "1,5 mb", "1,43 MB", int64_t{1572864}},
      {&mappings, 4, " ", "1,43 MB", kNoLimit},
      {&mappings, 3, "100", "", int64_t{100}},
      {&mappings, 8, "90", "", int64_t{90}},
      {&mappings, 9, "", "false", int64_t{0}},
      {&mappings, 9, "yes", "false", int64_t{1}},
      {&mappings, 13, "2 sec", "700 nano sec", int64_t{20000000}},
      {&mappings, 13, "100 nano sec", "700 nano sec", int64_t{1}},
      {&mappings, 12, "", "", int64_t{0}},
      {&filters, 1, "", "", int64_t{9}},
      {&filters, 1, "included source dir", "", int64_t{3}},
      {&filters, 0, "", "false", int64_t{0}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.typed + " in column " + std::to_string(c.column));
    std::vector<TGridRow> rows = GridRowsOf(*c.snapshot);
    EXPECT_EQ(rows[0].texts[c.column], c.shown);
    if (!c.typed.empty()) rows[0].texts[c.column] = c.typed;
    rows.push_back({"", NewRowTexts(c.snapshot->kind, 1), {}, {}});
    const std::vector<TListRow> list = ListRowsOf(c.snapshot->kind, rows);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].key, c.snapshot->rows[0].key);
    EXPECT_EQ(list[0].values[c.column], c.saved);
  }
}

}  // namespace
}  // namespace qv::testing
