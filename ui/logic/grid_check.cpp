#include "ui/logic/grid_check.h"

#include "filesys/path_ops.h"
#include "ui/logic/copy_security_cell.h"
#include "ui/logic/grid_columns.h"
#include "ui/logic/value_cells.h"

namespace qv {

namespace {

std::string TextAt(const TCellCheck& check, int column) {
  return column < 0 ? std::string() : check.texts[column];
}

std::string Destination(const TCellCheck& check) {
  return TextAt(check, DestinationColumn(check.kind));
}

TCellVerdict CheckPath(Platform& platform, const TCellCheck& check, const TGridColumn& column) {
  const int at = check.column;
  const TPathCellInput input{column.title,
                             check.texts[at],
                             check.loaded.empty() ? "" : check.loaded[at],
                             check.mode.content_checks,
                             check.mode.accept_stored,
                             check.mode.at_ok};
  TCellVerdict verdict = ValidatePathCell(platform, *column.path, input, check.asked);
  if (!verdict.ok() || check.kind != TListKind::kMappings) return verdict;
  TMappingCellInput mapping;
  mapping.row = {TextAt(check, SourceColumn(check.kind)), Destination(check)};
  (at == SourceColumn(check.kind) ? mapping.row.source : mapping.row.destination) = verdict.text;
  const int dest = DestinationColumn(check.kind);
  mapping.stored_destination = check.loaded.empty() ? "" : check.loaded[dest];
  mapping.rows_above = check.rows_above;
  mapping.against_rows = check.mode.against_rows;
  if (at == SourceColumn(check.kind)) return CheckMappingSource(platform, mapping);
  if (!check.mode.content_checks && !check.mode.against_rows) return verdict;
  return CheckMappingDestination(platform, mapping, check.asked);
}

TCellVerdict CheckSize(Platform& platform, const TCellCheck& check, const TGridColumn& column) {
  const int64_t fallback = ListColumns(check.kind)[check.column].default_value;
  const TCellVerdict verdict = ValidateSize(column.title, check.texts[check.column], fallback);
  const std::string destination = Destination(check);
  if (!verdict.ok() || !check.mode.content_checks || destination.empty()) return verdict;
  const int64_t value = SizeCellValue(verdict.text, fallback).value_or(fallback);
  if (value == fallback) return verdict;
  if (column.cell == TCellKind::kMinFreeBytes) {
    return CheckMinFreeBytes(value, DriveSpaceOf(platform, destination), check.asked);
  }
  return CheckMaximumSize(column.limit, value, destination, check.sizes, check.asked);
}

TCellVerdict CheckResolution(Platform& platform, const TCellCheck& check,
                             const TGridColumn& column) {
  const std::string& text = check.texts[check.column];
  const std::string destination = Destination(check);
  std::optional<int64_t> fs_default;
  if (check.mode.content_checks && !destination.empty() && Trim(text).empty()) {
    fs_default = DefaultResolutionAt(platform, destination, column.write_time);
  }
  return ValidateResolution(text, check.mode.silent, fs_default);
}

}  // namespace

TCellVerdict CheckGridCell(Platform& platform, const TCellCheck& check) {
  const TGridColumn& column = GridColumns(check.kind)[check.column];
  const std::string& text = check.texts[check.column];
  switch (column.cell) {
    case TCellKind::kEnabled:
    case TCellKind::kBool:
      return TCellVerdict::Ok(
          BoolCellText(text, ListColumns(check.kind)[check.column].default_value != 0));
    case TCellKind::kCopySecurity: {
      const std::string value = BoolCellText(text, true);
      const std::string source = TextAt(check, SourceColumn(check.kind));
      const std::string destination = Destination(check);
      if (!BoolCellValue(value) || !check.mode.content_checks || source.empty() ||
          destination.empty()) {
        return TCellVerdict::Ok(value);
      }
      return CheckCopySecurity(platform, source, destination, check.asked);
    }
    case TCellKind::kFilterType:
      return ValidateFilterType(column.title, text, check.mode.at_ok);
    case TCellKind::kPath:
      return CheckPath(platform, check, column);
    case TCellKind::kMinFreeBytes:
    case TCellKind::kMaxSize:
      return CheckSize(platform, check, column);
    case TCellKind::kResolution:
      return CheckResolution(platform, check, column);
    case TCellKind::kMinAge:
      return ValidateMinimalAge(column.title, text);
    case TCellKind::kArchiveAge:
      return ValidateArchiveAge(column.title, text);
  }
  return TCellVerdict::Ok(text);
}

}  // namespace qv
