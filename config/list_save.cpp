#include "config/list_save.h"

#include <algorithm>
#include <optional>

#include "config/key_tree.h"
#include "config/list_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  const std::string folded = LowerAscii(name);
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return LowerAscii(n) == folded; });
}

int64_t Number(const TListValue& value) {
  const int64_t* number = std::get_if<int64_t>(&value);
  return number != nullptr ? *number : 0;
}

std::string Text(const TListValue& value) {
  const std::string* text = std::get_if<std::string>(&value);
  return text != nullptr ? *text : std::string();
}

bool WriteColumn(TQVIniFile& ini, const std::string& key, const TListColumn& column,
                 const TListValue& value, std::string* error) {
  const std::string at = key + column.subkey;
  switch (column.kind) {
    case TColumnKind::kText:
      return ini.WriteString(at, column.name, Text(value), false, error);
    case TColumnKind::kBool:
      return ini.WriteBool(at, column.name, Number(value) != 0, error);
    case TColumnKind::kInteger:
      return ini.WriteInteger(at, column.name, static_cast<int32_t>(Number(value)), error);
    case TColumnKind::kFreeBytes:
      return ini.WriteFreeBytesWanted(at, Number(value));
    case TColumnKind::kSizeLimit:
      return ini.WriteSizeLimit(at, column.name, Number(value));
    case TColumnKind::kResolution:
      return ini.WriteResolution(at, column.name, Number(value));
    case TColumnKind::kDays:
      return ini.WriteDays(at, column.name, Number(value));
  }
  return false;
}

// One subkey of the list after the save: a row of the grid, or a key that
// another writer added (row == nullptr).
struct TEntry {
  std::string origin;  // its key before the save; empty for a new row
  std::string target;  // its key after
  const TListRow* row = nullptr;
  bool Moves() const { return !origin.empty() && LowerAscii(origin) != LowerAscii(target); }
};

class TListSave {
 public:
  TListSave(TQVIniFile& ini, const TListEdit& edit)
      : ini_(ini), edit_(edit), kind_(edit.snapshot.kind), list_key_(ListKey(kind_)) {}

  bool Plan(std::string* error);
  bool Write(std::string* error);
  void AddKept(std::vector<TKeptEntry>* kept);

 private:
  std::string Path(const std::string& name) const { return SubkeyPath(list_key_, name); }
  bool PlanRow(size_t index, const TListRow& row, std::string* error);
  void NameNewRows(const std::vector<std::string>& present);
  bool CheckTargets(std::string* error) const;
  bool WriteEntry(const TEntry& entry, int32_t row, std::vector<TTreeValue>* moved,
                  std::string* error);

  TQVIniFile& ini_;
  const TListEdit& edit_;
  const TListKind kind_;
  const std::string list_key_;
  std::vector<TEntry> entries_;
  size_t rows_ = 0;  // entries_ before the kept keys
};

bool TListSave::PlanRow(size_t index, const TListRow& row, std::string* error) {
  TEntry entry{row.key, row.key, &row};
  if (kind_ == TListKind::kMappings) {
    const std::string destination = Text(row.values.at(KeyColumn(kind_)));
    if (destination.empty()) {
      *error =
          "Destination cannot be empty. Specify a value or delete the row to get rid of "
          "this error.";
      return false;
    }
    entry.target = MappingKeyName(destination);
  } else if (kind_ == TListKind::kFilters) {
    entry.target = NumberedKeyName(static_cast<int>(index) + 1);
  }
  entries_.push_back(entry);
  return true;
}

// The tool's rule for a new key, applied row by row: the count of keys plus
// one, or the next number above it that is free.
void TListSave::NameNewRows(const std::vector<std::string>& present) {
  std::vector<std::string> taken = present;
  for (const TEntry& entry : entries_) {
    if (!entry.target.empty()) taken.push_back(entry.target);
  }
  for (TEntry& entry : entries_) {
    if (!entry.target.empty()) continue;
    int number = static_cast<int>(taken.size()) + 1;
    while (Contains(taken, NumberedKeyName(number))) ++number;
    entry.target = NumberedKeyName(number);
    taken.push_back(entry.target);
  }
}

// Two entries on one key would merge into one.
bool TListSave::CheckTargets(std::string* error) const {
  const auto text = [&](const TEntry& entry) {
    return entry.row != nullptr ? Text(entry.row->values.at(TextColumn(kind_)))
                                : ini_.ReadString(Path(entry.origin), "");
  };
  for (size_t i = 0; i < entries_.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (LowerAscii(entries_[i].target) != LowerAscii(entries_[j].target)) continue;
      // The row is named first; kept keys come after all rows.
      *error = kind_ == TListKind::kMappings
                   ? "the settings key of destination " + text(entries_[entries_[i].row ? i : j]) +
                         " is taken by " + text(entries_[entries_[i].row ? j : i])
                   : "the settings key " + entries_[i].target + " is used twice";
      return false;
    }
  }
  return true;
}

bool TListSave::Plan(std::string* error) {
  const std::vector<std::string> present = ini_.ListSubkeys(list_key_);
  for (size_t i = 0; i < edit_.rows.size(); ++i) {
    if (!PlanRow(i, edit_.rows[i], error)) return false;
  }
  rows_ = entries_.size();
  std::vector<std::string> added;
  for (const std::string& name : present) {
    if (!Contains(edit_.snapshot.loaded, name)) added.push_back(name);
  }
  std::sort(added.begin(), added.end(), [](const std::string& a, const std::string& b) {
    return LowerAscii(a) < LowerAscii(b);
  });
  for (const std::string& name : added) {
    const bool renumber = kind_ == TListKind::kFilters;
    entries_.push_back(
        TEntry{name, renumber ? NumberedKeyName(static_cast<int>(entries_.size()) + 1) : name});
  }
  NameNewRows(present);
  if (ini_.Failed()) {
    *error = ini_.FailureText();
    return false;
  }
  return CheckTargets(error);
}

bool TListSave::WriteEntry(const TEntry& entry, int32_t row, std::vector<TTreeValue>* moved,
                           std::string* error) {
  const std::string key = Path(entry.target);
  if (entry.Moves() && !WriteKeyTree(ini_, key, *moved, error)) return false;
  if (entry.row != nullptr) {
    const std::span<const TListColumn> columns = ListColumns(kind_);
    for (size_t i = 0; i < columns.size(); ++i) {
      if (!WriteColumn(ini_, key, columns[i], entry.row->values.at(i), error)) return false;
    }
  }
  // Filters are ordered by their key names alone, as the tool stores them.
  return kind_ == TListKind::kFilters || ini_.WriteInteger(key, "Row", row, error);
}

bool TListSave::Write(std::string* error) {
  std::vector<std::vector<TTreeValue>> moved(entries_.size());
  std::vector<std::string> in_place;
  std::vector<std::string> vacated = edit_.snapshot.loaded;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const TEntry& entry = entries_[i];
    if (!entry.Moves()) {
      if (!entry.origin.empty()) in_place.push_back(entry.origin);
      continue;
    }
    moved[i] = ReadKeyTree(ini_, Path(entry.origin));
    if (kind_ == TListKind::kMappings) DropDestinationState(&moved[i]);
    vacated.push_back(entry.origin);
  }
  // A read that failed would leave values behind at a key deleted next.
  if (ini_.Failed()) {
    *error = ini_.FailureText();
    return false;
  }
  // Cleared before anything moves in, so no value of one entry ends up in another's key.
  for (const std::string& name : vacated) {
    if (!Contains(in_place, name) && !ini_.DeleteKey(Path(name))) return false;
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!WriteEntry(entries_[i], static_cast<int32_t>(i), &moved[i], error)) return false;
  }
  return true;
}

void TListSave::AddKept(std::vector<TKeptEntry>* kept) {
  for (size_t i = rows_; i < entries_.size(); ++i) {
    kept->push_back(
        TKeptEntry{kind_, entries_[i].target, ini_.ReadString(Path(entries_[i].target), "")});
  }
}

}  // namespace

TListSaveResult SaveLists(TQVIniFile& ini, const std::vector<TListEdit>& edits) {
  TListSaveResult result;
  std::vector<TListSave> saves;
  for (const TListEdit& edit : edits) saves.emplace_back(ini, edit);
  {
    TSettingsTransaction transaction(ini.db(), false);
    bool ok = !ini.Failed();
    if (!ok) result.error = ini.FailureText();
    for (TListSave& save : saves) ok = ok && save.Plan(&result.error);
    for (TListSave& save : saves) ok = ok && save.Write(&result.error);
    if (ok) {
      result.saved = transaction.Commit(&result.error);
    } else if (result.error.empty()) {
      // A refused write doomed the transaction: this rolls back and says why.
      (void)transaction.Commit(&result.error);
    }
  }
  if (!result.saved) return result;
  for (TListSave& save : saves) save.AddKept(&result.kept);
  return result;
}

}  // namespace qv
