#include "config/list_keys.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "filesys/text_format.h"

namespace qv {

std::string NumberedKeyName(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "%.5d", number);
  return name;
}

std::string NewNumberedKeyName(TQVIniFile& ini, const std::string& list_key) {
  std::vector<std::string> taken;
  for (const std::string& name : ini.ListSubkeys(list_key)) taken.push_back(LowerAscii(name));
  int number = static_cast<int>(taken.size()) + 1;
  while (std::find(taken.begin(), taken.end(), NumberedKeyName(number)) != taken.end()) ++number;
  return NumberedKeyName(number);
}

int32_t NextRow(TQVIniFile& ini, const std::string& list_key) {
  const std::vector<std::string> names = ini.ListSubkeys(list_key);
  std::optional<int64_t> largest;
  for (const std::string& name : names) {
    const int64_t row = ini.ReadInteger(SubkeyPath(list_key, name), "Row", kRowUnset);
    if (row != kRowUnset) largest = std::max(largest.value_or(row), row);
  }
  if (!largest) return static_cast<int32_t>(names.size());
  // Rows past the last usable one share it; the order among them is open.
  return static_cast<int32_t>(std::min<int64_t>(*largest + 1, kRowUnset - 1));
}

std::string SubkeyPath(const std::string& list_key, const std::string& name) {
  return list_key + "\\" + name;
}

}  // namespace qv
