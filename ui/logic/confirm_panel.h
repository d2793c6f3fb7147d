#ifndef QUORVANE_UI_LOGIC_CONFIRM_PANEL_H_
#define QUORVANE_UI_LOGIC_CONFIRM_PANEL_H_

#include <cstdint>
#include <string>

#include "engine/scan_gate.h"

namespace qv {

class TMappings;

// One question of the scan thread, as TFrontEnd::PrepareConfirm passes it.
struct TConfirmQuestion {
  std::string question;
  std::string source;  // may be empty
  std::string destination;
  std::string extra;  // the directory of a directory-scoped answer, may be empty
  uint16_t flags = 0;
};

// What the confirmation dialog shows for a question.
struct TConfirmPanel {
  // The filter panel: only with known mappings, and never for freeing
  // storage or creating the archive directory.
  bool filter_panel = false;
  std::string source;  // as passed, or looked up from the destination
  // "Excluded source" and the open-source button need a source path.
  bool source_enabled = false;
  bool filter_source_checked = false;
  std::string filter_text;
  std::string dirs_caption;
  std::string dirs_hint;  // empty: no hint
};

// mappings may be null (not known).
TConfirmPanel PlanConfirmPanel(const TConfirmQuestion& question, const TMappings* mappings);

// The filter text in the other form after the user switched between
// excluded source and excluded destination; unchanged when no mapping
// holds it.
std::string ConvertFilterText(const std::string& text, bool to_source, const TMappings& mappings);

// The flags the scan thread gets back with the answer: the scope applied to
// the flags of the question, kConfirmTerminate added for a terminate, the
// waiting bit cleared.
uint16_t AnswerFlags(uint16_t question_flags, bool yes, TConfirmScope scope, bool terminate);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_CONFIRM_PANEL_H_
