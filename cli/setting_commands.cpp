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

// One general setting: a number with its range and unit, or a switch.
struct TSetting {
  const char* name;
  const char* key;
  int (TConfigData::*number)() const;  // null for a switch
  int low;
  int high;
  bool TConfigSwitches::*flag;  // null for a number
  const char* unit;             // of a number
  const char* meaning;
};

constexpr int kIntMax = std::numeric_limits<int32_t>::max();

constexpr TSetting kSettings[] = {
    {"Wait", kBaseKey, &TConfigData::wait_minutes, -1, kMaxMinutes, nullptr, "minutes",
     "between the end of a scan and the next one in the desktop program; -1 does not repeat"},
    {"MilliSecondsToSuspendAfterUserInput", kBaseKey, &TConfigData::suspend_millis, 0, kIntMax,
     nullptr, "milliseconds",
     "a scan of the minimised desktop program pauses after keyboard or mouse input; 0 never"},
    {"Priority", kBaseKey, &TConfigData::priority, 0, kPriorityCount - 1, nullptr, "level",
     "of the scan: 0 system idle, 1 lowest, 2 lower, 3 normal, 4 higher, 5 highest, 6 time "
     "critical"},
    {"MinMinutesToWait", kBaseKey, &TConfigData::min_minutes_to_wait, 0, kMaxMinutes, nullptr,
     "minutes", "the first scan of a desktop program started at login waits at least this long"},
    {"HealthMaxAge", kBaseKey, &TConfigData::health_max_age, 0, kIntMax, nullptr, "minutes",
     "after which status calls a mirror without a good scan overdue; 0: Wait plus a day, or 26 "
     "hours"},
    {"CloseWhenDone", kBaseKey, nullptr, 0, 0, &TConfigSwitches::close_when_done, "",
     "the desktop program closes after each scan"},
    {"LogCreate", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_create, "",
     "log each file copied that the destination did not have"},
    {"LogCreateDir", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_create_dir, "",
     "log each directory created in a destination"},
    {"LogExcluded", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_excluded, "",
     "log what a filter with logging on leaves out"},
    {"LogMinAges", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_min_ages, "",
     "log each changed file that a minimal age holds back"},
    {"LogUpdateCreationTime", kBaseKey, nullptr, 0, 0, &TConfigSwitches::log_update_creation_time,
     "", "log corrected creation times (none on Linux)"},
    {"Confirm", kBaseKey, nullptr, 0, 0, &TConfigSwitches::confirm, "",
     "every change to a destination waits for an answer"},
    {"AutoFilter", kFiltersKey, nullptr, 0, 0, &TConfigSwitches::auto_filter, "",
     "the filters Quorvane adds by itself (trash, lost+found, other mirrors' folders ...)"},
    {"ScanExcludedDirs", kBaseKey, nullptr, 0, 0, &TConfigSwitches::scan_excluded_dirs, "",
     "walk filtered-out directories to count them in the statistics"},
    {"UseArchiveBit", kBaseKey, nullptr, 0, 0, &TConfigSwitches::use_archive_bit, "",
     "copy files marked with the archive attribute (none on Linux)"},
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

// One paragraph per setting, for the help of set and get.
std::string SettingsHelp() {
  std::string help = "Settings (names in any case):\n";
  for (const TSetting& setting : kSettings) {
    help += "  " + std::string(setting.name) + " (";
    help += setting.flag != nullptr
                ? std::string("true or false")
                : std::string(setting.unit) + ", " + std::to_string(setting.low) + " to " +
                      std::to_string(setting.high);
    help += "): " + std::string(setting.meaning) + "\n";
  }
  return help;
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
  set->footer(SettingsHelp());

  auto name = std::make_shared<std::string>();
  CLI::App* get =
      registry.AddCommand(&registry.app(), "get", "Print a general setting as a scan reads it",
                          [name](TCommandContext& context) { return GetSetting(context, *name); });
  get->add_option("NAME", *name, SettingNames())->required();
  get->footer(SettingsHelp());
}

}  // namespace qv
