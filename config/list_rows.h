#ifndef QUORVANE_CONFIG_LIST_ROWS_H_
#define QUORVANE_CONFIG_LIST_ROWS_H_

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace qv {

class TQVIniFile;

// The configuration lists a grid edits. Each row is one subkey of the list's
// key; its columns are stored values at or below that subkey.
enum class TListKind { kMappings, kFilters, kMinimalAges, kFileMappings };

// How a column is read and written: the readers and deletion rules of the
// headless tool, so that either program reads what the other stored.
enum class TColumnKind {
  kText,
  kBool,        // int 0/1
  kInteger,     // 32 bits, as stored
  kFreeBytes,   // 64 bits; 0 or less deletes the value
  kSizeLimit,   // 64 bits; kNoLimit deletes the value
  kResolution,  // 64 bits; below 1 deletes the value
  kDays,        // 32 bits; 0 or less deletes the value
};

struct TListColumn {
  const char* subkey;  // below the row's key: "" or "\\Destination" ...
  const char* name;    // "" for the unnamed value
  TColumnKind kind;
  int64_t default_value;  // read when nothing valid is stored
};

// Text columns hold the string, all others the number.
using TListValue = std::variant<int64_t, std::string>;

struct TListRow {
  std::string key;                 // the subkey it was loaded from; empty for a new row
  std::vector<TListValue> values;  // one per column, in column order
};

// A list as loaded: its rows in stored order and every subkey seen then.
struct TListSnapshot {
  TListKind kind = TListKind::kMappings;
  std::vector<TListRow> rows;
  std::vector<std::string> loaded;
};

std::string ListKey(TListKind kind);
// In grid column order.
std::span<const TListColumn> ListColumns(TListKind kind);
// The column whose text names the row's key (a mapping's destination), or -1
// for the numbered lists.
int KeyColumn(TListKind kind);
// The column shown to the user for a row: the unnamed value.
int TextColumn(TListKind kind);

// Reads the list in the order its readers use: filters by key name, the
// others by Row. False when the settings could not be read (*snapshot empty).
bool LoadList(TQVIniFile& ini, TListKind kind, TListSnapshot* snapshot);

}  // namespace qv

#endif  // QUORVANE_CONFIG_LIST_ROWS_H_
