#include "ui/logic/clipboard_grid.h"

#include <algorithm>
#include <climits>

namespace qv {
namespace {

// index, or the first index after it that is not hidden.
int Shown(int index, const std::set<int>& hidden) {
  while (hidden.contains(index)) ++index;
  return index;
}

// text as lines of tab-separated fields.
std::vector<std::vector<std::string>> Fields(const std::string& text) {
  std::vector<std::vector<std::string>> lines(1, std::vector<std::string>(1));
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\t') {
      lines.back().emplace_back();
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (i + 1 < text.size()) lines.emplace_back(1);
    } else {
      lines.back().back() += c;
    }
  }
  return lines;
}

}  // namespace

std::string GridCopyText(const TGridRect& rect, const std::set<int>& hidden_rows,
                         const std::set<int>& hidden_columns,
                         const std::function<std::string(int row, int column)>& cell) {
  const int first_row = Shown(rect.top, hidden_rows);
  const int first_column = Shown(rect.left, hidden_columns);
  std::string text;
  for (int row = first_row; row <= rect.bottom; row = Shown(row + 1, hidden_rows)) {
    if (row != first_row) text += "\r\n";
    for (int column = first_column; column <= rect.right;
         column = Shown(column + 1, hidden_columns)) {
      if (column != first_column) text += '\t';
      text += cell(row, column);
    }
  }
  return text;
}

std::vector<TGridPaste> GridPasteSpread(const std::string& text, const TGridSelection& selection,
                                        int row_count, int column_count,
                                        const std::set<int>& hidden_rows,
                                        const std::set<int>& hidden_columns) {
  const TGridRect& rect = selection.rect;
  const bool single = rect.single();
  const int last_column = single ? column_count - 1 : std::min(rect.right, column_count - 1);
  const int last_row = single ? INT_MAX - 1 : std::min(rect.bottom, row_count - 1);
  const int left = Shown(rect.left, hidden_columns);
  std::vector<TGridPaste> cells;
  if (text.empty() || left > last_column) return cells;
  int row = Shown(selection.row, hidden_rows);
  int column = Shown(selection.column, hidden_columns);
  for (const std::vector<std::string>& line : Fields(text)) {
    for (const std::string& field : line) {
      if (column > last_column) {
        row = Shown(row + 1, hidden_rows);
        column = left;
      }
      if (row > last_row) return cells;
      cells.push_back({row, column, field});
      column = Shown(column + 1, hidden_columns);
    }
    row = Shown(row + 1, hidden_rows);
    column = left;
  }
  return cells;
}

}  // namespace qv
