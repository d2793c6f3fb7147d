#include "config/settings_location.h"

#include <optional>

#include "filesys/platform.h"

namespace qv {

namespace {

std::string NonEmptyEnv(Platform& platform, const char* name) {
  std::optional<std::string> value = platform.GetEnv(name);
  return value ? *value : std::string();
}

}  // namespace

std::string DefaultSettingsPath(Platform& platform) {
  const std::string explicit_file = NonEmptyEnv(platform, "QUORVANE_SETTINGS");
  if (!explicit_file.empty()) return explicit_file;
  // A relative XDG_CONFIG_HOME is invalid and ignored.
  std::string config = NonEmptyEnv(platform, "XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') {
    const std::string home = NonEmptyEnv(platform, "HOME");
    if (home.empty()) return std::string();
    config = home + "/.config";
  }
  if (config.back() != '/') config += '/';
  return config + "quorvane/settings.db";
}

}  // namespace qv
