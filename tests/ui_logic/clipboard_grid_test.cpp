#include "ui/logic/clipboard_grid.h"

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

TEST(ClipboardGridTest, CopyJoinsShownCellsByTabsAndRowsByCrLf) {
  const auto cell = [](int row, int column) {
    return std::to_string(row) + ":" + std::to_string(column);
  };
  const struct {
    TGridRect rect;
    std::set<int> hidden_rows, hidden_columns;
    std::string text;
  } cases[] = {
      {{1, 1, 1, 1}, {}, {}, "1:1"},
      {{0, 0, 1, 2}, {}, {}, "0:0\t0:1\t0:2\r\n1:0\t1:1\t1:2"},
      {{0, 0, 2, 2}, {0, 2}, {1}, "1:0\t1:2"},  // hidden first and last row, middle column
      {{-1, 0, 0, 1}, {}, {0}, "-1:1\r\n0:1"},  // titles; hidden first column
      {{0, 0, 1, 0}, {0, 1}, {}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GridCopyText(c.rect, c.hidden_rows, c.hidden_columns, cell), c.text) << c.text;
  }
}

TEST(ClipboardGridTest, PasteSpreadsFromTheCurrentCellWithinItsBounds) {
  using P = std::vector<TGridPaste>;
  const TGridSelection at_1_1{1, 1, {1, 1, 1, 1}};
  const TGridSelection block{2, 1, {1, 1, 2, 2}};  // current cell at the block's bottom left
  const struct {
    std::string text;
    TGridSelection selection;
    P cells;
    std::set<int> hidden_rows = {}, hidden_columns = {};
  } cases[] = {
      {"a", at_1_1, P{{1, 1, "a"}}},
      {"a\tb\r\nc\nd\re", at_1_1,
       P{{1, 1, "a"}, {1, 2, "b"}, {2, 1, "c"}, {3, 1, "d"}, {4, 1, "e"}}},
      // One final line end adds no row; a second is an empty line.
      {"a\r\n", at_1_1, P{{1, 1, "a"}}},
      {"a\n\n", at_1_1, P{{1, 1, "a"}, {2, 1, ""}}},
      {"\t", at_1_1, P{{1, 1, ""}, {1, 2, ""}}},
      {"", at_1_1, P{}},
      // A single cell runs to the right edge (3 columns), then on the next
      // row at its own column, and past the last row (4 rows) into new ones.
      {"a\tb\tc\td", at_1_1, P{{1, 1, "a"}, {1, 2, "b"}, {2, 1, "c"}, {2, 2, "d"}}},
      {"a\nb\nc\nd\ne",
       {3, 0, {3, 0, 3, 0}},
       P{{3, 0, "a"}, {4, 0, "b"}, {5, 0, "c"}, {6, 0, "d"}, {7, 0, "e"}}},
      // Hidden rows and columns are skipped, also the current ones.
      {"a\tb\nc", at_1_1, P{{1, 2, "a"}, {3, 2, "b"}, {4, 2, "c"}}, {2}, {1}},
      {"a\tb\nc\td",
       {0, 0, {0, 0, 0, 0}},
       P{{1, 0, "a"}, {1, 1, "b"}, {2, 0, "c"}, {2, 1, "d"}},
       {0}},
      {"a", at_1_1, P{}, {}, {1, 2}},  // nothing shown to the right
      // A block confines: starts at the current cell, wraps at its right
      // edge to its left column, stops at its bottom.
      {"a\tb\tc\td", block, P{{2, 1, "a"}, {2, 2, "b"}}},
      {"a\nb", {1, 2, {1, 1, 2, 2}}, P{{1, 2, "a"}, {2, 1, "b"}}},
      {"a\tb\tc", {1, 1, {1, 1, 2, 2}}, P{{1, 1, "a"}, {1, 2, "b"}, {2, 1, "c"}}},
      // A block reaching past the grid keeps to the grid.
      {"a\tb\nc\nd", {3, 2, {3, 2, 9, 9}}, P{{3, 2, "a"}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GridPasteSpread(c.text, c.selection, 4, 3, c.hidden_rows, c.hidden_columns), c.cells)
        << ::testing::PrintToString(c.text);
  }
}

}  // namespace
}  // namespace qv::testing
