#include "tests/config/config_test_util.h"

#include "config/config_keys.h"
#include "config/mapping.h"

namespace qv::testing {

ConfigTestPlatform::ConfigTestPlatform() : PlatformWrapper(DefaultPlatform()) {}

std::optional<std::string> ConfigTestPlatform::GetEnv(const std::string& name) {
  const auto it = env.find(name);
  if (it == env.end()) return std::nullopt;
  return it->second;
}

Status ConfigTestPlatform::GetVolume(const std::string& path, VolumeInfo* info) {
  if (!volume) return PlatformWrapper::GetVolume(path, info);
  *info = *volume;
  return Status::Ok();
}

void StoreMapping(TQVIniFile& ini, const std::string& destination, const std::string& source,
                  int row, bool enabled) {
  const std::string key = std::string(kMappingsKey) + "\\" + MappingKeyName(destination);
  TSettingsTransaction transaction(ini.db());
  ASSERT_TRUE(ini.WriteString(key, "", destination));
  ASSERT_TRUE(ini.WriteString(key, "Src", source));
  ASSERT_TRUE(ini.WriteBool(key, "Enabled", enabled));
  if (row >= 0) {
    ASSERT_TRUE(ini.WriteInteger(key, "Row", row));
  }
  ASSERT_TRUE(transaction.Commit());
}

}  // namespace qv::testing
