#include "config/file_mappings.h"

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

bool LoadFileMappings(TQVIniFile& ini, const std::string& mirror_source, TLogger& logger,
                      TFileMappingList* list) {
  TSettingsLock lock(ini);
  list->sources.clear();
  list->targets.clear();
  if (!ini.CheckStore(logger)) return false;
  logger.SetHeading("FileMappings:");
  for (const std::string& name : ini.ListSubkeysInRowOrder(kFileMappingsKey)) {
    const std::string key = std::string(kFileMappingsKey) + "\\" + name;
    const std::string target = ExpandEnvironment(ini.platform(), ini.ReadString(key, ""));
    const std::string source = ExpandEnvironment(ini.platform(), ini.ReadString(key, "Source"));
    if (target.empty() || !IsInside(source, mirror_source)) continue;
    list->sources.push_back(source);
    list->targets.push_back(target);
    logger.LogUnderHeading("Update " + target + " with " + source);
  }
  logger.ClearHeading();
  return ini.CheckStore(logger);
}

}  // namespace qv
