#ifndef QUORVANE_UI_LOGIC_VALUE_CELLS_H_
#define QUORVANE_UI_LOGIC_VALUE_CELLS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "ui/logic/cell_verdict.h"

namespace qv {

// The cells of the configuration grids that hold a value and need no file
// system: their texts as loaded, how typed text is read and rewritten, and
// their errors. Numbers are read and shown in the user's number format
// (CurrentNumberFormat), with the parsers the headless tool uses.

// Booleans: "true" or "false"; typed words flip default_value as ParseBool
// reads them. Stored as 0 or 1.
std::string BoolCellText(const std::string& typed, bool default_value);
inline bool BoolCellValue(const std::string& text) { return text == "true"; }

// Filter types (config/filter.h). The name of a stored number; empty for a
// number that names no type.
std::string FilterTypeText(int64_t stored);
std::optional<int> FilterTypeNumber(const std::string& text);
// What a new row starts with: "included source" in the first data row (0),
// "excluded source" below.
std::string DefaultFilterTypeText(int data_row);
// A type cell accepts only the type names; an empty one (a stored number
// that names no type) fails at OK.
TCellVerdict ValidateFilterType(const std::string& title, const std::string& text, bool at_ok);

// Sizes in bytes. An empty cell stands for default_value, and a value equal
// to it shows as an empty cell.
std::string SizeCellText(int64_t stored, int64_t default_value);
// The bytes a valid text stands for.
std::optional<int64_t> SizeCellValue(const std::string& text, int64_t default_value);
// Rewrites a valid size in the size format; anything else, or a value below
// 0 or above the no-limit value, fails.
TCellVerdict ValidateSize(const std::string& title, const std::string& text, int64_t default_value);

// Time resolutions in 100-ns units. A stored value below 1 means the file
// system's default and shows as an empty cell.
std::string ResolutionCellText(int64_t stored);
// 0 for an empty or invalid text (the default).
int64_t ResolutionCellValue(const std::string& text);
// Rewrites a valid resolution with DurationText. An empty cell takes
// fs_default when the destination's file system is known. A value below 1
// fails, unless silent: then the text stays as it is.
TCellVerdict ValidateResolution(const std::string& text, bool silent,
                                std::optional<int64_t> fs_default);

// Whole numbers from low to high: the minimal age in minutes is 1 to
// kMaxMinutes, as the headless tool takes it.
TCellVerdict ValidateInteger(const std::string& title, const std::string& text, int64_t low,
                             int64_t high);
TCellVerdict ValidateMinimalAge(const std::string& title, const std::string& text);
// 0 to kMaxDays days; empty and 0 keep every day and show as empty.
TCellVerdict ValidateArchiveAge(const std::string& title, const std::string& text);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_VALUE_CELLS_H_
