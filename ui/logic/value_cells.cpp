#include "ui/logic/value_cells.h"

#include <charconv>

#include "config/config_keys.h"
#include "config/filter.h"
#include "config/registry_values.h"
#include "filesys/path_ops.h"
#include "filesys/text_format.h"

namespace qv {

std::string BoolCellText(const std::string& typed, bool default_value) {
  return BoolText(ParseBool(typed, default_value));
}

std::string FilterTypeText(int64_t stored) {
  if (stored < 0 || stored >= kFilterTypeCount) return "";
  return FilterTypeName(static_cast<int>(stored));
}

std::optional<int> FilterTypeNumber(const std::string& text) {
  const int type = FilterTypeFromName(text);
  if (text != FilterTypeName(type)) return std::nullopt;
  return type;
}

std::string DefaultFilterTypeText(int data_row) {
  return FilterTypeName(data_row == 0 ? kIncludedSource : kExcludedSource);
}

TCellVerdict ValidateFilterType(const std::string& title, const std::string& text, bool at_ok) {
  if (FilterTypeNumber(text)) return TCellVerdict::Ok(text);
  if (at_ok) return TCellVerdict::Error(CannotBeEmptyText(title));
  return TCellVerdict::Ok("");
}

std::string SizeCellText(int64_t stored, int64_t default_value) {
  return stored == default_value ? "" : SizeText(stored, 2);
}

std::optional<int64_t> SizeCellValue(const std::string& text, int64_t default_value) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return default_value;
  const std::optional<int64_t> value = ParseSizeText(trimmed, CurrentNumberFormat());
  if (!value || *value < 0 || *value > kNoLimit) return std::nullopt;
  return value;
}

TCellVerdict ValidateSize(const std::string& title, const std::string& text,
                          int64_t default_value) {
  if (Trim(text).empty()) return TCellVerdict::Ok("");
  const std::optional<int64_t> value = SizeCellValue(text, default_value);
  if (!value) {
    return TCellVerdict::Error(title + " should be a number between 0 and " +
                               SizeText(kNoLimit, 2) + ". Units in KB, MB, GB, TB or PB.");
  }
  return TCellVerdict::Ok(SizeText(*value, 2));
}

std::string ResolutionCellText(int64_t stored) { return stored < 1 ? "" : DurationText(stored); }

int64_t ResolutionCellValue(const std::string& text) {
  const std::optional<int64_t> value = ParseDurationText(Trim(text), CurrentNumberFormat());
  return value && *value >= 1 && *value <= kNoLimit ? *value : 0;
}

TCellVerdict ValidateResolution(const std::string& text, bool silent,
                                std::optional<int64_t> fs_default) {
  if (Trim(text).empty()) {
    return TCellVerdict::Ok(fs_default ? DurationText(*fs_default) : "");
  }
  const int64_t value = ResolutionCellValue(text);
  if (value >= 1) return TCellVerdict::Ok(DurationText(value));
  if (silent) return TCellVerdict::Ok(text);
  return TCellVerdict::Error("Time resolution should be between " + DurationText(1) + " and " +
                             DurationText(kNoLimit) +
                             ". Units in sec, milli sec, micro sec and nano sec (onds).");
}

TCellVerdict ValidateInteger(const std::string& title, const std::string& text, int64_t low,
                             int64_t high) {
  const std::string trimmed = Trim(text);
  const char* begin = trimmed.data();
  const char* const end = begin + trimmed.size();
  if (begin != end && *begin == '+') ++begin;
  int64_t value = 0;
  const auto read = std::from_chars(begin, end, value);
  if (begin == end || read.ec != std::errc() || read.ptr != end || value < low || value > high) {
    return TCellVerdict::Error(title + " should be a whole number from " + std::to_string(low) +
                               " to " + std::to_string(high) + ".");
  }
  return TCellVerdict::Ok(std::to_string(value));
}

TCellVerdict ValidateMinimalAge(const std::string& title, const std::string& text) {
  return ValidateInteger(title, text, 1, kMaxMinutes);
}

TCellVerdict ValidateArchiveAge(const std::string& title, const std::string& text) {
  if (Trim(text).empty()) return TCellVerdict::Ok("");
  const TCellVerdict verdict = ValidateInteger(title, text, 0, kMaxDays);
  if (verdict.ok() && verdict.text == "0") return TCellVerdict::Ok("");
  return verdict;
}

}  // namespace qv
