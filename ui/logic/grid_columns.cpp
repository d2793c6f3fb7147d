#include "ui/logic/grid_columns.h"

#include <charconv>

#include "filesys/path_ops.h"
#include "filesys/text_format.h"
#include "ui/logic/value_cells.h"

namespace qv {

namespace {

using C = TCellKind;

constexpr TGridColumn kMappingGrid[] = {
    {"Enabled", C::kEnabled},
    {"Source", C::kPath, &kMappingSourceCell},
    {"Destination", C::kPath, &kMappingDestCell},
    {"Min free bytes", C::kMinFreeBytes},
    {"Max size", C::kMaxSize, nullptr, TSizeLimit::kMirror},
    {"Max (c) size", C::kMaxSize, nullptr, TSizeLimit::kCompressedMirror},
    {"Max archive size", C::kMaxSize, nullptr, TSizeLimit::kArchive},
    {"Max (c) archive size", C::kMaxSize, nullptr, TSizeLimit::kCompressedArchive},
    {"Max archive age in days", C::kArchiveAge, nullptr, TSizeLimit::kMirror, false, true},
    {"Copy security", C::kCopySecurity},
    {"Copy creation time", C::kBool},
    {"Copy times directory", C::kBool},
    {"Creation time resolution", C::kResolution},
    {"Write time resolution", C::kResolution, nullptr, TSizeLimit::kMirror, true},
};

constexpr TGridColumn kFilterGrid[] = {
    {"Enabled", C::kEnabled},
    {"Type", C::kFilterType},
    {"Filter", C::kPath, &kFilterCell},
    {"Log", C::kBool},
};

constexpr TGridColumn kMinimalAgeGrid[] = {
    {"Enabled", C::kEnabled},
    {"Source directory", C::kPath, &kMinAgeSourceCell},
    {"Minimal age in minutes", C::kMinAge, nullptr, TSizeLimit::kMirror, false, true},
};

constexpr TGridColumn kFileMappingGrid[] = {
    {"Source backup hive file", C::kPath, &kSourceHiveCell},
    {"Active destination hive file", C::kPath, &kActiveHiveCell},
};

std::string CellText(const TListValue& value, const TListColumn& stored, const TGridColumn& grid) {
  if (const std::string* text = std::get_if<std::string>(&value)) return *text;
  const int64_t number = std::get<int64_t>(value);
  switch (grid.cell) {
    case C::kEnabled:
    case C::kBool:
    case C::kCopySecurity:
      return BoolText(number != 0);
    case C::kFilterType:
      return FilterTypeText(number);
    case C::kMinFreeBytes:
    case C::kMaxSize:
      return SizeCellText(number, stored.default_value);
    case C::kResolution:
      return ResolutionCellText(number);
    case C::kArchiveAge:
      return number > 0 ? std::to_string(number) : "";
    case C::kPath:
    case C::kMinAge:
      break;
  }
  return std::to_string(number);
}

// Text the grid does not take (rejected at validation) is saved as the
// column's default, as the headless tool's readers would read it.
TListValue CellValue(const std::string& text, const TListColumn& stored, const TGridColumn& grid) {
  const int64_t fallback = stored.default_value;
  switch (grid.cell) {
    case C::kEnabled:
    case C::kBool:
    case C::kCopySecurity:
      return int64_t{BoolCellValue(BoolCellText(text, fallback != 0))};
    case C::kFilterType:
      return int64_t{FilterTypeNumber(text).value_or(static_cast<int>(fallback))};
    case C::kMinFreeBytes:
    case C::kMaxSize:
      return SizeCellValue(text, fallback).value_or(fallback);
    case C::kResolution:
      return ResolutionCellValue(text);
    case C::kMinAge:
    case C::kArchiveAge: {
      const std::string trimmed = Trim(text);
      int32_t number = 0;
      const auto read = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), number);
      return int64_t{read.ec == std::errc() ? number : 0};
    }
    case C::kPath:
      break;
  }
  return Trim(text);
}

}  // namespace

std::span<const TGridColumn> GridColumns(TListKind kind) {
  switch (kind) {
    case TListKind::kMappings:
      return kMappingGrid;
    case TListKind::kFilters:
      return kFilterGrid;
    case TListKind::kMinimalAges:
      return kMinimalAgeGrid;
    case TListKind::kFileMappings:
      return kFileMappingGrid;
  }
  return kMappingGrid;
}

std::string GridLayoutKey(TListKind kind) {
  switch (kind) {
    case TListKind::kMappings:
      return "StringGridMappings";
    case TListKind::kFilters:
      return "StringGridFilters";
    case TListKind::kMinimalAges:
      return "StringGridMinimalAges";
    case TListKind::kFileMappings:
      return "StringGridFileMappings";
  }
  return "StringGridMappings";
}

int SourceColumn(TListKind kind) { return kind == TListKind::kMappings ? 1 : -1; }

bool IsBoolCell(TCellKind cell) {
  return cell == C::kEnabled || cell == C::kBool || cell == C::kCopySecurity;
}

std::vector<std::string> NewRowTexts(TListKind kind, int row) {
  const std::span<const TListColumn> stored = ListColumns(kind);
  std::vector<std::string> texts;
  for (size_t i = 0; i < stored.size(); ++i) {
    const TCellKind cell = GridColumns(kind)[i].cell;
    if (IsBoolCell(cell)) {
      texts.push_back(BoolText(stored[i].default_value != 0));
    } else if (cell == C::kFilterType) {
      texts.push_back(DefaultFilterTypeText(row));
    } else {
      texts.emplace_back();
    }
  }
  return texts;
}

std::vector<TGridRow> GridRowsOf(const TListSnapshot& snapshot) {
  const std::span<const TListColumn> stored = ListColumns(snapshot.kind);
  const std::span<const TGridColumn> grid = GridColumns(snapshot.kind);
  std::vector<TGridRow> rows;
  for (const TListRow& list_row : snapshot.rows) {
    TGridRow row{list_row.key, {}, {}, list_row.values};
    for (size_t i = 0; i < stored.size(); ++i) {
      row.texts.push_back(CellText(list_row.values[i], stored[i], grid[i]));
    }
    row.loaded = row.texts;
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<TListRow> ListRowsOf(TListKind kind, const std::vector<TGridRow>& rows) {
  const std::span<const TListColumn> stored = ListColumns(kind);
  const std::span<const TGridColumn> grid = GridColumns(kind);
  std::vector<TListRow> list;
  for (const TGridRow& row : rows) {
    if (RowIsEmpty(kind, row)) continue;
    TListRow list_row{row.key, {}};
    for (size_t i = 0; i < stored.size(); ++i) {
      const bool unchanged = i < row.loaded.size() && row.texts[i] == row.loaded[i];
      list_row.values.push_back(unchanged ? row.values[i]
                                          : CellValue(row.texts[i], stored[i], grid[i]));
    }
    list.push_back(std::move(list_row));
  }
  return list;
}

bool RowIsEmpty(TListKind kind, const TGridRow& row) {
  const std::span<const TGridColumn> grid = GridColumns(kind);
  for (size_t i = 0; i < grid.size(); ++i) {
    if (IsBoolCell(grid[i].cell) || grid[i].cell == C::kFilterType) continue;
    const std::string text = Trim(row.texts[i]);
    const bool zero_counts = grid[i].cell == C::kMinAge || grid[i].cell == C::kArchiveAge;
    if (!text.empty() && !(zero_counts && text == "0")) return false;
  }
  return true;
}

std::string KeptEntriesText(const std::vector<TKeptEntry>& kept) {
  static const char* const kLists[] = {"Mappings", "Filters", "Minimal ages", "File mappings"};
  std::string text =
      "These entries were added by another program while the configuration was open. They were "
      "kept after your rows:";
  for (const TKeptEntry& entry : kept) {
    text += "\n" + std::string(kLists[static_cast<int>(entry.kind)]) + ": " + entry.text;
  }
  return text;
}

}  // namespace qv
