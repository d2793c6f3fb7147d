#ifndef QUORVANE_UI_LOGIC_GRID_ROWS_H_
#define QUORVANE_UI_LOGIC_GRID_ROWS_H_

#include <vector>

#include "config/list_rows.h"
#include "ui/logic/clipboard_grid.h"
#include "ui/logic/grid_columns.h"

namespace qv {

// The data rows of a configuration grid and the row operations, which keep
// exactly one empty row at the end. current is the current data row; each
// operation keeps it inside the rows.
class TGridRows {
 public:
  explicit TGridRows(TListKind kind, std::vector<TGridRow> rows = {});

  TListKind kind() const { return kind_; }
  const std::vector<TGridRow>& rows() const { return rows_; }
  int size() const { return static_cast<int>(rows_.size()); }
  TGridRow& row(int index) { return rows_[index]; }

  // A new row without a key before row.
  void Insert(int row, int* current);
  // A copy of row, without its key, inserted above it.
  void Duplicate(int row, int* current);
  // Removes the row, or empties it when it is the only one.
  void Delete(int row, int* current);
  // Writes pasted cells, appending the rows they run into; a check box
  // takes the word as typed into it.
  void SetCells(const std::vector<TGridPaste>& cells, int* current);
  // After an edit: one empty row at the end, and only one.
  void KeepOneEmptyRow(int* current);

 private:
  bool Empty(int row) const { return RowIsEmpty(kind_, rows_[row]); }
  void Clamp(int* current) const;

  TListKind kind_;
  std::vector<TGridRow> rows_;
};

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_GRID_ROWS_H_
