#include "config/filter_store.h"

#include <algorithm>
#include <cstdio>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

std::string FilterKey(const std::string& name) { return std::string(kFiltersKey) + "\\" + name; }

std::string NumberedName(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "%.5d", number);
  return name;
}

// Under the lock of the caller's transaction, so that no other writer takes
// the same name in between.
std::string FreeFilterName(TQVIniFile& ini) {
  int number = static_cast<int>(ini.ListSubkeys(kFiltersKey).size()) + 1;
  while (ini.KeyExists(FilterKey(NumberedName(number)))) ++number;
  return NumberedName(number);
}

}  // namespace

bool ReadStoredFilters(TQVIniFile& ini, TLogger& logger, std::vector<TStoredFilter>* filters) {
  TSettingsLock lock(ini);
  filters->clear();
  if (!ini.CheckStore(logger)) return false;
  std::vector<std::string> names = ini.ListSubkeys(kFiltersKey);
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return LowerAscii(a) < LowerAscii(b);
  });
  for (const std::string& name : names) {
    const std::string key = FilterKey(name);
    filters->push_back(TStoredFilter{name, ini.ReadString(key, ""),
                                     ini.ReadBool(key, "Enabled", true), ini.ReadFilterType(key),
                                     ini.ReadLogFilter(key)});
  }
  if (ini.CheckStore(logger)) return true;
  filters->clear();
  return false;
}

bool SaveNewFilter(TQVIniFile& ini, const std::string& pattern, bool enabled, int type, bool log,
                   const TReportError& report) {
  std::string error;
  bool saved = false;
  {
    TSettingsTransaction transaction(ini.db());
    const std::string key = FilterKey(FreeFilterName(ini));
    saved = ini.WriteString(key, "", pattern, false, &error) &&
            ini.WriteBool(key, "Enabled", enabled, &error) &&
            ini.WriteInteger(key, "FilterType", type, &error) &&
            ini.WriteBool(key, "LogFilter", log, &error);
    saved = transaction.Commit(saved ? &error : nullptr) && saved;
  }
  if (!saved && report) report("Failed to save the filter to the registry. " + error);
  return saved;
}

}  // namespace qv
