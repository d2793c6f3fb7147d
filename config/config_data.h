#ifndef QUORVANE_CONFIG_CONFIG_DATA_H_
#define QUORVANE_CONFIG_CONFIG_DATA_H_

#include <string>

namespace qv {

class TLogger;
class TQVIniFile;

inline constexpr int kPriorityCount = 7;
// "System idle", "Lowest", "Lower", "Normal", "Higher", "Highest",
// "Time critical"; an index out of range gives "".
std::string PriorityName(int index);
// How a scan suspends after user input, as the scan's settings describe it.
std::string SuspendDescription(int suspend_millis);

// The on/off settings of the base key (and Filters\AutoFilter).
struct TConfigSwitches {
  bool close_when_done = false;
  bool log_create = true;
  bool log_create_dir = true;
  bool log_excluded = true;
  bool log_min_ages = true;
  bool log_update_creation_time = true;
  bool confirm = false;
  bool auto_filter = true;
  bool scan_excluded_dirs = false;
  bool use_archive_bit = false;
  bool operator==(const TConfigSwitches&) const = default;
};

// The general settings. The numeric settings keep their ranges whether they
// come from the store or from a setter (command-line options obey the same
// ranges). Registry backup is not part of it: no system hives exist on POSIX,
// so the backup mode reads as 0 (TQVIniFile keeps the stored setting).
class TConfigData {
 public:
  // False when the store failed: the settings are then the defaults.
  bool Load(TQVIniFile& ini);
  // Writes every setting in one transaction.
  bool Save(TQVIniFile& ini) const;
  // Writes this one switch (a member of TConfigSwitches) or the priority
  // alone, so that values given on the command line stay unstored.
  bool SaveSwitch(TQVIniFile& ini, bool TConfigSwitches::*field) const;
  bool SavePriority(TQVIniFile& ini) const;
  // Writes, in one transaction, the settings in which this differs from
  // before and nothing else.
  bool SaveChanges(TQVIniFile& ini, const TConfigData& before) const;
  // The description lines written at the start of every scan.
  void LogSettings(TLogger& logger) const;

  // -1 .. kMaxMinutes, otherwise -1 (no repetition).
  void SetWaitMinutes(int minutes);
  // Negative becomes 0 (never suspend).
  void SetSuspendMillis(int millis);
  // 0 .. kMaxMinutes, otherwise 0.
  void SetMinMinutesToWait(int minutes);
  // 0 .. 6, otherwise 0.
  void SetPriority(int priority);

  int wait_minutes() const { return wait_minutes_; }
  int suspend_millis() const { return suspend_millis_; }
  int min_minutes_to_wait() const { return min_minutes_to_wait_; }
  int priority() const { return priority_; }
  // Minutes after which a mirror without a good scan is overdue: HealthMaxAge
  // when stored and positive, else the wait plus a day, or 26 hours when
  // scans do not repeat. Only the "set" command writes it.
  int health_max_age() const;

  TConfigSwitches switches;

 private:
  int wait_minutes_ = -1;
  int suspend_millis_ = 0;
  int min_minutes_to_wait_ = 0;
  int priority_ = 0;
  int stored_health_max_age_ = 0;  // 0: none stored
};

}  // namespace qv

#endif  // QUORVANE_CONFIG_CONFIG_DATA_H_
