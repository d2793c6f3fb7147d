#include "config/config_data.h"

#include <algorithm>
#include <string>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr const char* kPriorityNames[kPriorityCount] = {
    "System idle", "Lowest", "Lower", "Normal", "Higher", "Highest", "Time critical"};

// The switches with their value names, in the order they are saved.
struct SwitchEntry {
  bool TConfigSwitches::*field;
  const char* key;
  const char* name;
  bool default_value;
};

constexpr SwitchEntry kSwitches[] = {
    {&TConfigSwitches::close_when_done, kBaseKey, "CloseWhenDone", false},
    {&TConfigSwitches::log_create, kBaseKey, "LogCreate", true},
    {&TConfigSwitches::log_create_dir, kBaseKey, "LogCreateDir", true},
    {&TConfigSwitches::log_excluded, kBaseKey, "LogExcluded", true},
    {&TConfigSwitches::log_min_ages, kBaseKey, "LogMinAges", true},
    {&TConfigSwitches::log_update_creation_time, kBaseKey, "LogUpdateCreationTime", true},
    {&TConfigSwitches::confirm, kBaseKey, "Confirm", false},
    {&TConfigSwitches::auto_filter, kFiltersKey, "AutoFilter", true},
    {&TConfigSwitches::scan_excluded_dirs, kBaseKey, "ScanExcludedDirs", false},
    {&TConfigSwitches::use_archive_bit, kBaseKey, "UseArchiveBit", false},
};

int InRange(int value, int low, int high, int otherwise) {
  return value >= low && value <= high ? value : otherwise;
}

}  // namespace

std::string PriorityName(int index) {
  return index >= 0 && index < kPriorityCount ? kPriorityNames[index] : "";
}

void TConfigData::SetWaitMinutes(int minutes) {
  wait_minutes_ = InRange(minutes, -1, kMaxMinutes, -1);
}

void TConfigData::SetSuspendMillis(int millis) { suspend_millis_ = millis < 0 ? 0 : millis; }

void TConfigData::SetMinMinutesToWait(int minutes) {
  min_minutes_to_wait_ = InRange(minutes, 0, kMaxMinutes, 0);
}

void TConfigData::SetPriority(int priority) {
  priority_ = InRange(priority, 0, kPriorityCount - 1, 0);
}

int TConfigData::health_max_age() const {
  constexpr int kDay = 24 * 60;
  if (stored_health_max_age_ > 0) return stored_health_max_age_;
  return wait_minutes_ < 0 ? 26 * 60 : wait_minutes_ + kDay;
}

std::string SuspendDescription(int suspend_millis) {
  if (suspend_millis == 0) return "The scanner will not suspend on user input";
  return "Resuming scan in " + std::to_string(suspend_millis / 1000) +
         " seconds after user input when minimized";
}

bool TConfigData::Load(TQVIniFile& ini) {
  TSettingsLock lock(ini);
  SetWaitMinutes(ini.ReadInteger(kBaseKey, "Wait", -1));
  SetSuspendMillis(ini.ReadInteger(kBaseKey, "MilliSecondsToSuspendAfterUserInput", 0));
  SetMinMinutesToWait(ini.ReadInteger(kBaseKey, "MinMinutesToWait", 0));
  SetPriority(ini.ReadInteger(kBaseKey, "Priority", 0));
  stored_health_max_age_ = std::max(0, ini.ReadInteger(kBaseKey, "HealthMaxAge", 0));
  for (const SwitchEntry& entry : kSwitches) {
    switches.*entry.field = ini.ReadBool(entry.key, entry.name, entry.default_value);
  }
  return !ini.Failed();
}

bool TConfigData::Save(TQVIniFile& ini) const {
  TSettingsTransaction transaction(ini.db());
  ini.WriteInteger(kBaseKey, "Wait", wait_minutes_);
  ini.WriteInteger(kBaseKey, "MilliSecondsToSuspendAfterUserInput", suspend_millis_);
  ini.WriteInteger(kBaseKey, "Priority", priority_);
  ini.WriteInteger(kBaseKey, "MinMinutesToWait", min_minutes_to_wait_);
  for (const SwitchEntry& entry : kSwitches)
    ini.WriteBool(entry.key, entry.name, switches.*entry.field);
  return transaction.Commit();
}

bool TConfigData::SaveChanges(TQVIniFile& ini, const TConfigData& before) const {
  TSettingsTransaction transaction(ini.db());
  const auto write = [&ini](const char* name, int value, int old) {
    if (value != old) ini.WriteInteger(kBaseKey, name, value);
  };
  write("Wait", wait_minutes_, before.wait_minutes_);
  write("MilliSecondsToSuspendAfterUserInput", suspend_millis_, before.suspend_millis_);
  write("Priority", priority_, before.priority_);
  write("MinMinutesToWait", min_minutes_to_wait_, before.min_minutes_to_wait_);
  for (const SwitchEntry& entry : kSwitches) {
    const bool value = switches.*entry.field;
    if (value != before.switches.*entry.field) ini.WriteBool(entry.key, entry.name, value);
  }
  return transaction.Commit();
}

bool TConfigData::SaveSwitch(TQVIniFile& ini, bool TConfigSwitches::*field) const {
  for (const SwitchEntry& entry : kSwitches) {
    if (entry.field == field) return ini.WriteBool(entry.key, entry.name, switches.*field);
  }
  return false;
}

bool TConfigData::SavePriority(TQVIniFile& ini) const {
  return ini.WriteInteger(kBaseKey, "Priority", priority_);
}

void TConfigData::LogSettings(TLogger& logger) const {
  logger.LogLine(SuspendDescription(suspend_millis_));
  logger.LogLine("Thread priority " + PriorityName(priority_));
  const TConfigSwitches& s = switches;
  if (s.close_when_done) logger.LogLine("Closing when scan is done");
  if (!s.log_create) logger.LogLine("Log creation of files is disabled");
  if (!s.log_create_dir) logger.LogLine("Log creation of directories is disabled");
  if (!s.log_excluded) logger.LogLine("Log matching filters is disabled");
  if (!s.log_min_ages)
    logger.LogLine("Log modified files with minimal age not expired is disabled");
  if (!s.log_update_creation_time) logger.LogLine("Log update of creation time is disabled");
  if (s.confirm) logger.LogLine("Confirm updates of destination");
  if (!s.auto_filter) logger.LogLine("Disabled automatic filters");
  if (s.scan_excluded_dirs) logger.LogLine("Enabled scan of excluded directories");
  logger.LogLine(std::string(s.use_archive_bit ? "Enabled" : "Disabled") +
                 " update of files wich have their archive attribute set");
}

}  // namespace qv
