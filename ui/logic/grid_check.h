#ifndef QUORVANE_UI_LOGIC_GRID_CHECK_H_
#define QUORVANE_UI_LOGIC_GRID_CHECK_H_

#include <string>
#include <vector>

#include "config/list_rows.h"
#include "ui/logic/asked_questions.h"
#include "ui/logic/cell_verdict.h"
#include "ui/logic/mapping_cells.h"
#include "ui/logic/size_warnings.h"

namespace qv {

class Platform;

// How a cell is validated (the grid's mode bits).
struct TValidationMode {
  bool content_checks = false;  // the row is enabled: ask the file system
  bool silent = false;          // no error from the time resolutions
  bool accept_stored = false;   // a path as loaded passes at once
  bool against_rows = false;    // leaving the page or OK: compare with the rows above
  bool at_ok = false;
};

// Everything one cell's validation reads, copied from the grid so that it
// can run away from the window.
struct TCellCheck {
  TListKind kind = TListKind::kMappings;
  int column = 0;
  TValidationMode mode;
  std::vector<std::string> texts;   // the row's cells
  std::vector<std::string> loaded;  // as loaded; empty for a new row
  std::vector<TMappingRowPaths> rows_above;
  TStoredSizes sizes;  // of the row's destination, for the maximum sizes
  TAskedQuestions asked;
};

// The verdict on the cell, its rewritten text when it passes.
TCellVerdict CheckGridCell(Platform& platform, const TCellCheck& check);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_GRID_CHECK_H_
