#include "ui/logic/grid_rows.h"

#include <algorithm>
#include <utility>

#include "ui/logic/value_cells.h"

namespace qv {

TGridRows::TGridRows(TListKind kind, std::vector<TGridRow> rows)
    : kind_(kind), rows_(std::move(rows)) {
  int current = 0;
  KeepOneEmptyRow(&current);
}

void TGridRows::Insert(int row, int* current) {
  row = std::clamp(row, 0, size());
  rows_.insert(rows_.begin() + row, TGridRow{"", NewRowTexts(kind_, row), {}, {}});
  *current = row;
  KeepOneEmptyRow(current);
}

void TGridRows::Duplicate(int row, int* current) {
  row = std::clamp(row, 0, size() - 1);
  TGridRow copy = rows_[row];
  copy.key.clear();
  rows_.insert(rows_.begin() + row, std::move(copy));
  *current = row;
  KeepOneEmptyRow(current);
}

void TGridRows::Delete(int row, int* current) {
  if (row < 0 || row >= size()) return;
  rows_.erase(rows_.begin() + row);
  if (*current > row) --*current;
  KeepOneEmptyRow(current);
}

void TGridRows::SetCells(const std::vector<TGridPaste>& cells, int* current) {
  for (const TGridPaste& cell : cells) {
    while (cell.row >= size()) rows_.push_back(TGridRow{"", NewRowTexts(kind_, size()), {}, {}});
    const bool check_box = IsBoolCell(GridColumns(kind_)[cell.column].cell);
    const int64_t fallback = ListColumns(kind_)[cell.column].default_value;
    rows_[cell.row].texts[cell.column] =
        check_box ? BoolCellText(cell.text, fallback != 0) : cell.text;
  }
  KeepOneEmptyRow(current);
}

void TGridRows::KeepOneEmptyRow(int* current) {
  if (rows_.empty() || !Empty(size() - 1)) {
    rows_.push_back(TGridRow{"", NewRowTexts(kind_, size()), {}, {}});
  }
  while (size() >= 2 && Empty(size() - 2)) rows_.erase(rows_.end() - 2);
  Clamp(current);
}

void TGridRows::Clamp(int* current) const { *current = std::clamp(*current, 0, size() - 1); }

}  // namespace qv
