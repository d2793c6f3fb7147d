#ifndef QUORVANE_UI_LOGIC_GRID_COLUMNS_H_
#define QUORVANE_UI_LOGIC_GRID_COLUMNS_H_

#include <span>
#include <string>
#include <vector>

#include "config/list_rows.h"
#include "config/list_save.h"
#include "ui/logic/path_cells.h"
#include "ui/logic/size_warnings.h"

namespace qv {

// The cell behind each column of a configuration grid; the stored side of
// the column is ListColumns' entry of the same index.
enum class TCellKind {
  kEnabled,  // switching it on validates the whole row
  kBool,
  kCopySecurity,  // a boolean that asks the drives
  kFilterType,    // a combo box of the type names
  kPath,
  kMinFreeBytes,
  kMaxSize,
  kResolution,
  kMinAge,
  kArchiveAge,  // days; empty keeps every day
};

struct TGridColumn {
  const char* title;
  TCellKind cell;
  const TPathCellKind* path = nullptr;     // kPath
  TSizeLimit limit = TSizeLimit::kMirror;  // kMaxSize
  bool write_time = false;                 // kResolution
  bool right_aligned = false;
};

std::span<const TGridColumn> GridColumns(TListKind kind);
// Where the column widths are stored: "StringGridMappings" ...
std::string GridLayoutKey(TListKind kind);
// The column of the mapping's source and destination; -1 in other lists.
int SourceColumn(TListKind kind);
inline int DestinationColumn(TListKind kind) { return KeyColumn(kind); }
bool IsBoolCell(TCellKind cell);

// A row as the grid shows it. values are the values it was loaded with, so
// that a cell whose text did not change saves exactly what was stored (a
// size shown with two decimals would otherwise be rounded on the way back).
struct TGridRow {
  std::string key;                  // empty for a new row
  std::vector<std::string> texts;   // one per column
  std::vector<std::string> loaded;  // the texts as loaded; empty for a new row
  std::vector<TListValue> values;   // as loaded
};

// The texts of a new row at data row index row.
std::vector<std::string> NewRowTexts(TListKind kind, int row);
std::vector<TGridRow> GridRowsOf(const TListSnapshot& snapshot);
// The rows a save writes: the grid's rows that are not empty.
std::vector<TListRow> ListRowsOf(TListKind kind, const std::vector<TGridRow>& rows);
// Every data cell is empty: check boxes and the type count as empty, as does
// a text equal to the column's default.
bool RowIsEmpty(TListKind kind, const TGridRow& row);

// The information after a save that kept entries another writer added.
std::string KeptEntriesText(const std::vector<TKeptEntry>& kept);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_GRID_COLUMNS_H_
