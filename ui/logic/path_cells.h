#ifndef QUORVANE_UI_LOGIC_PATH_CELLS_H_
#define QUORVANE_UI_LOGIC_PATH_CELLS_H_

#include <string>

#include "ui/logic/asked_questions.h"
#include "ui/logic/cell_verdict.h"

namespace qv {

class Platform;

// The file and folder cells of the configuration grids.

enum class TPathWant { kDirectory, kFile, kFilter };

struct TPathCellKind {
  const char* word;  // in the questions: "source", "destination", "filter", ...
  TPathWant want;
  // A relative name or wild cards are an error: a scan could not use them
  // (mirror source and destination, minimal-age folder). Other cells ask.
  bool absolute_only;
  // The cell keeps what was typed; otherwise the expanded form replaces it.
  bool keeps_typed;
  // A path that is not there now passes without a question.
  bool may_be_missing;
};

inline constexpr TPathCellKind kMappingSourceCell{"source", TPathWant::kDirectory, true, true,
                                                  false};
inline constexpr TPathCellKind kMappingDestCell{"destination", TPathWant::kDirectory, true, false,
                                                false};
inline constexpr TPathCellKind kMinAgeSourceCell{"minimal age", TPathWant::kDirectory, true, true,
                                                 false};
inline constexpr TPathCellKind kFilterCell{"filter", TPathWant::kFilter, false, true, false};
inline constexpr TPathCellKind kSourceHiveCell{"source hive", TPathWant::kFile, false, true, false};
inline constexpr TPathCellKind kActiveHiveCell{"active destination hive", TPathWant::kFile, false,
                                               true, true};

struct TPathCellInput {
  std::string title;
  std::string text;         // as in the cell
  std::string stored_text;  // as loaded from the store; empty for a new row
  bool content_checks = false;
  bool accept_stored = false;  // a text equal to stored_text passes at once
  bool at_ok = false;
};

// Checks the cell's text and the entry it names; answers the first question
// not answered Yes before, or the final text. Runs anywhere: it touches no
// state but the file system through platform.
TCellVerdict ValidatePathCell(Platform& platform, const TPathCellKind& kind,
                              const TPathCellInput& input, const TAskedQuestions& asked);

// A directory cell's text as the scan reads it: expanded, normalised, with a
// trailing "/"; empty for an empty cell.
std::string ExpandedDirectory(Platform& platform, const std::string& text);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_PATH_CELLS_H_
