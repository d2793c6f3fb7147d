#ifndef QUORVANE_UI_LOGIC_CLIPBOARD_GRID_H_
#define QUORVANE_UI_LOGIC_CLIPBOARD_GRID_H_

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace qv {

// A rectangle of grid cells, bounds included.
struct TGridRect {
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;

  bool single() const { return top == bottom && left == right; }
};

// The selection a paste starts from: the current cell inside its rectangle.
struct TGridSelection {
  int row = 0;
  int column = 0;
  TGridRect rect;
};

// One cell a paste writes.
struct TGridPaste {
  int row = 0;
  int column = 0;
  std::string text;

  bool operator==(const TGridPaste&) const = default;
};

// The text of the cells in rect for the clipboard: the cells of a row joined
// by a tab, the rows by CR LF; hidden rows and columns are left out. cell
// gives the text of (row, column); row -1 may stand for the titles.
std::string GridCopyText(const TGridRect& rect, const std::set<int>& hidden_rows,
                         const std::set<int>& hidden_columns,
                         const std::function<std::string(int row, int column)>& cell);

// Where pasting text writes, from the current cell on: a tab moves to the
// next shown column, a line end (CR LF, LF or CR) to the next shown row at the
// rectangle's left column, as does running past the last column. One line end
// at the end of text is no empty row. Hidden rows and columns are skipped.
//
// A larger selection confines the paste to its rectangle. A single selected
// cell lets it run to the grid's right edge and downwards past the last row:
// rows from row_count on are new rows the grid appends (pasting a list into
// the empty row at the end adds it whole), so only the columns confine it.
std::vector<TGridPaste> GridPasteSpread(const std::string& text, const TGridSelection& selection,
                                        int row_count, int column_count,
                                        const std::set<int>& hidden_rows,
                                        const std::set<int>& hidden_columns);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_CLIPBOARD_GRID_H_
