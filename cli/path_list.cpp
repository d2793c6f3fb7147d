#include "cli/path_list.h"

#include <utility>

#include "config/list_keys.h"
#include "config/qv_ini_file.h"

namespace qv {

std::vector<TPathEntry> LoadPathEntries(TQVIniFile& ini, const TPathList& list) {
  TSettingsLock lock(ini);
  std::vector<TPathEntry> entries;
  for (const std::string& name : ini.ListSubkeysInRowOrder(list.key)) {
    TPathEntry entry;
    entry.key = SubkeyPath(list.key, name);
    entry.path.stored = ini.ReadString(entry.key, "");
    entry.path.expanded = ExpandStoredPath(ini.platform(), entry.path.stored, list.kind);
    entries.push_back(std::move(entry));
  }
  return entries;
}

int AddPathEntry(TCommandContext& context, const TPathList& list, const TUserPath& path,
                 const TEntryWriter& write) {
  return context.Edit([&](TQVIniFile& ini) {
    for (const TPathEntry& entry : LoadPathEntries(ini, list)) {
      if (entry.path.expanded == path.expanded) {
        return context.Fail(path.expanded + " has a " + list.what + " already");
      }
    }
    if (ini.Failed()) return context.Fail(ini.FailureText());
    // Both before the key exists, which would count itself.
    const std::string key = SubkeyPath(list.key, NewNumberedKeyName(ini, list.key));
    const int32_t row = NextRow(ini, list.key);
    (void)ini.WriteString(key, "", path.stored);
    (void)ini.WriteInteger(key, "Row", row);
    write(ini, key);
    return kExitOk;
  });
}

int RemovePathEntries(TCommandContext& context, const TPathList& list, const std::string& typed) {
  TUserPath path;
  std::string error;
  if (!ReadPath(context.platform(), typed, list.kind, list.path_name, &path, &error)) {
    return context.Fail(error);
  }
  return context.Edit([&](TQVIniFile& ini) {
    bool found = false;
    for (const TPathEntry& entry : LoadPathEntries(ini, list)) {
      if (entry.path.expanded != path.expanded) continue;
      (void)ini.DeleteKey(entry.key);
      found = true;
    }
    if (ini.Failed()) return context.Fail(ini.FailureText());
    if (!found) return context.Fail("no " + std::string(list.what) + " for " + path.expanded);
    return kExitOk;
  });
}

}  // namespace qv
