#include "config/list_rows.h"

#include <algorithm>

#include "config/config_keys.h"
#include "config/list_keys.h"
#include "config/qv_ini_file.h"
#include "config/registry_values.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

using K = TColumnKind;

constexpr TListColumn kMappingColumns[] = {
    {"", "Enabled", K::kBool, 1},
    {"", "Src", K::kText, 0},
    {"", "", K::kText, 0},
    {"\\Destination", "FreeBytesWanted", K::kFreeBytes, 0},
    {"\\Destination", "MaxSizeDest", K::kSizeLimit, kNoLimit},
    {"\\Destination", "MaxCompressedSizeDest", K::kSizeLimit, kNoLimit},
    {"\\Destination\\Archive", "MaxArchiveSize", K::kSizeLimit, kNoLimit},
    {"\\Destination\\Archive", "MaxCompressedArchiveSize", K::kSizeLimit, kNoLimit},
    {"\\Destination\\Archive", "MaxArchiveAge", K::kDays, 0},
    {"", "CopySecurityInfo", K::kBool, 1},
    {"", "CopyCreationTime", K::kBool, 1},
    {"", "CopyCreationTimeDir", K::kBool, 1},
    {"\\Destination", "CreationTimeResolution", K::kResolution, 0},
    {"\\Destination", "WriteTimeResolution", K::kResolution, 0},
};

// The type as stored: the grid shows a number it does not know as empty.
constexpr TListColumn kFilterColumns[] = {
    {"", "Enabled", K::kBool, 1},
    {"", "FilterType", K::kInteger, 0},
    {"", "", K::kText, 0},
    {"", "LogFilter", K::kBool, 1},
};

constexpr TListColumn kMinimalAgeColumns[] = {
    {"", "Enabled", K::kBool, 1},
    {"", "", K::kText, 0},
    {"", "MinAge", K::kInteger, 0},
};

constexpr TListColumn kFileMappingColumns[] = {
    {"", "Source", K::kText, 0},
    {"", "", K::kText, 0},
};

TListValue ReadColumn(TQVIniFile& ini, const std::string& key, const TListColumn& column) {
  const std::string at = key + column.subkey;
  const int64_t fallback = column.default_value;
  switch (column.kind) {
    case K::kText:
      return ini.ReadString(at, column.name);
    case K::kBool:
      return int64_t{ini.ReadBool(at, column.name, fallback != 0)};
    case K::kInteger:
      return int64_t{ini.ReadInteger(at, column.name, static_cast<int32_t>(fallback))};
    case K::kFreeBytes:
    case K::kSizeLimit:
      return ini.Read64NonNegative(at, column.name, fallback);
    case K::kResolution:
      return ini.Read64Positive(at, column.name, fallback);
    case K::kDays:
      return int64_t{ini.ReadDays(at, column.name)};
  }
  return fallback;
}

// Filters apply in the order of their key names (Row is not consulted).
std::vector<std::string> ListInReadOrder(TQVIniFile& ini, TListKind kind) {
  if (kind != TListKind::kFilters) return ini.ListSubkeysInRowOrder(ListKey(kind));
  std::vector<std::string> names = ini.ListSubkeys(ListKey(kind));
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return LowerAscii(a) < LowerAscii(b);
  });
  return names;
}

}  // namespace

std::string ListKey(TListKind kind) {
  switch (kind) {
    case TListKind::kMappings:
      return kMappingsKey;
    case TListKind::kFilters:
      return kFiltersKey;
    case TListKind::kMinimalAges:
      return kMinimalAgesKey;
    case TListKind::kFileMappings:
      return kFileMappingsKey;
  }
  return kMappingsKey;
}

std::span<const TListColumn> ListColumns(TListKind kind) {
  switch (kind) {
    case TListKind::kMappings:
      return kMappingColumns;
    case TListKind::kFilters:
      return kFilterColumns;
    case TListKind::kMinimalAges:
      return kMinimalAgeColumns;
    case TListKind::kFileMappings:
      return kFileMappingColumns;
  }
  return kMappingColumns;
}

int KeyColumn(TListKind kind) { return kind == TListKind::kMappings ? TextColumn(kind) : -1; }

int TextColumn(TListKind kind) {
  const std::span<const TListColumn> columns = ListColumns(kind);
  for (size_t i = 0; i < columns.size(); ++i) {
    if (*columns[i].subkey == '\0' && *columns[i].name == '\0') return static_cast<int>(i);
  }
  return 0;
}

bool LoadList(TQVIniFile& ini, TListKind kind, TListSnapshot* snapshot) {
  TSettingsLock lock(ini);
  *snapshot = TListSnapshot{kind, {}, {}};
  if (ini.Failed()) return false;
  for (const std::string& name : ListInReadOrder(ini, kind)) {
    TListRow row{name, {}};
    for (const TListColumn& column : ListColumns(kind)) {
      row.values.push_back(ReadColumn(ini, SubkeyPath(ListKey(kind), name), column));
    }
    snapshot->rows.push_back(std::move(row));
    snapshot->loaded.push_back(name);
  }
  if (!ini.Failed()) return true;
  *snapshot = TListSnapshot{kind, {}, {}};
  return false;
}

}  // namespace qv
