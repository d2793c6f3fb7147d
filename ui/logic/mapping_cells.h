#ifndef QUORVANE_UI_LOGIC_MAPPING_CELLS_H_
#define QUORVANE_UI_LOGIC_MAPPING_CELLS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/logic/asked_questions.h"
#include "ui/logic/cell_verdict.h"

namespace qv {

class Platform;

// The rules of a mirror's source and destination against its own row and
// the rows above it (the mappings built so far when all rows are checked in
// order). Each runs after the cell's path checks and touches nothing but the
// file system through platform, so that it can run away from the window.

struct TMappingRowPaths {
  std::string source;  // the cells' texts
  std::string destination;
};

struct TMappingCellInput {
  TMappingRowPaths row;
  std::string stored_destination;  // as loaded; empty for a new row
  std::vector<TMappingRowPaths> rows_above;
  bool against_rows = false;  // leaving the page or OK: compare with rows_above
};

// A source that a row above mirrors already is an error.
TCellVerdict CheckMappingSource(Platform& platform, const TMappingCellInput& input);

// Errors: a destination overlapping one above, or whose settings key one
// above takes (keys compare ignoring ASCII case), and a source inside its
// own destination. Warnings: source and destination overlapping otherwise,
// and a changed destination that holds files but no archive yet.
TCellVerdict CheckMappingDestination(Platform& platform, const TMappingCellInput& input,
                                     const TAskedQuestions& asked);

// The default resolution (creation or write) of the file system that holds
// destination; none when it cannot be told.
std::optional<int64_t> DefaultResolutionAt(Platform& platform, const std::string& destination,
                                           bool write);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_MAPPING_CELLS_H_
