// set NAME VALUE | get NAME: the general settings by their stored names.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "cli/command_registry.h"
#include "cli/user_input.h"
#include "config/config_data.h"
#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "config/registry_key.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

// One general setting: a number with its range, or a switch.
struct TSetting {
  const char* name;
  const char* key;
  int (TConfigData::*number)() const;  // null for a switch
  int low;
  int high;
  bool TConfigSwitches::*flag;  // null for a number
};

constexpr int kIntMax = std::numeric_limits<int32_t>::max();

constexpr TSetting kSettings[] = {
    {"Wait", kBaseKey, &TConfigData::wait_minutes, -1, kMaxMinutes, nullptr},
    {"MilliSecondsToSuspendAfterUserInput", kBaseKey, &TConfigData::suspend_millis, 0, kIntMax,
     nullptr},
    {"Priority", kBaseKey, &TConfigData::priority, 0, kPriorityCount - 1, nullptr},
    {"MinMinutesToWait", kBaseKey, &TConfigData::min_minutes_to_wait, 0, kMaxMinutes, nullptr},
    {"HealthMaxAge", kBaseKey, &TConfigData::health_max_age, 0, kIntMax, nullptr},
    {"CloseWhenDone", kBaseKey, nullptr, 0, 0, &TConfigSwitches::close_when_done},
    {"LogCreate", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_create},
    {"LogCreateDir", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_create_dir},
    {"LogExcluded", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_excluded},
    {"LogMinAges", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_min_ages},
    {"LogUpdateCreationTime", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_update_creation_time},
    {"Confirm", kBaseKey, nullptr, 0, 0, &TConfigSwitches::confirm},
    {"AutoFilter", kFiltersKey, nullptr, 0, 0, &TConfigSwitches::auto_filter},
    {"ScanExcludedDirs", kBaseKey, nullptr, 0, 0, &TConfigSwitches::scan_excluded_dirs},
    {"UseArchiveBit", kBaseKey, nullptr, 0, 0, &TConfigSwitches::use_archive_bit},
};

// Setting names ignore case, as value names do in the store.
const TSetting* FindSetting(const std::string& name) {
  const std::string wanted = LowerAscii(name);
  for (const TSetting& setting : kSettings) {
    if (LowerAscii(setting.name) == wanted) return &setting;
  }
  return nullptr;
}

std::string SettingNames() {
  std::string names;
  for (const TSetting& setting : kSettings)
    names += (names.empty() ? "" : ", ") + std::string(setting.name);
  return names;
}

const TSetting* FindSettingOrFail(TCommandContext& context, const std::string& name) {
  const TSetting* setting = FindSetting(name);
  if (setting == nullptr)
    context.Fail("unknown setting \"" + name + "\"; use one of " + SettingNames());
  return setting;
}

int SetSetting(TCommandContext& context, const std::string& name, const std::string& text) {
  const TSetting* setting = FindSettingOrFail(context, name);
  if (setting == nullptr) return kExitCannotRun;
  std::string error;
  int64_t number = 0;
  bool flag = false;
  const bool valid = setting->flag != nullptr ? ReadBoolean(text, setting->name, &flag, &error)
                                              : ReadInteger(text, setting->low, setting->high,
                                                            setting->name, &number, &error);
  if (!valid) return context.Fail(error);
  return context.Edit([&](TQVIniFile& ini) {
    if (setting->flag != nullptr) {
      (void)ini.WriteBool(setting->key, setting->name, flag);
    } else {
      (void)ini.WriteInteger(setting->key, setting->name, static_cast<int32_t>(number));
    }
    return kExitOk;
  });
}

// Prints the value a scan would use: stored values out of range or of the
// wrong type read as their defaults.
int GetSetting(TCommandContext& context, const std::string& name) {
  const TSetting* setting = FindSettingOrFail(context, name);
  if (setting == nullptr) return kExitCannotRun;
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TConfigData data;
  if (!data.Load(*ini)) return context.Fail(ini->FailureText());
  if (setting->flag != nullptr) {
    context.out() << BoolText(data.switches.*setting->flag) << '\n';
  } else {
    context.out() << (data.*setting->number)() << '\n';
  }
  return kExitOk;
}

}  // namespace

void AddSettingCommands(TCommandRegistry& registry) {
  auto set_args = std::make_shared<std::pair<std::string, std::string>>();
  CLI::App* set = registry.AddCommand(
      &registry.app(), "set", "Change a general setting", [set_args](TCommandContext& context) {
        return SetSetting(context, set_args->first, set_args->second);
      });
  set->add_option("NAME", set_args->first, SettingNames())->required();
  set->add_option("VALUE", set_args->second, "true/false for switches, else a whole number")
      ->required();

  auto name = std::make_shared<std::string>();
  CLI::App* get =
      registry.AddCommand(&registry.app(), "get", "Print a general setting as a scan reads it",
                          [name](TCommandContext& context) { return GetSetting(context, *name); });
  get->add_option("NAME", *name, SettingNames())->required();
}

}  // namespace qv
