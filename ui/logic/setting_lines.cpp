#include "ui/logic/setting_lines.h"

namespace qv {

const std::vector<TSwitchLines>& SwitchLines() {
  static const std::vector<TSwitchLines> kLines = {
      {&TConfigSwitches::log_create, "Started logging created files",
       "Stopped logging created files"},
      {&TConfigSwitches::log_create_dir, "Started logging created directories",
       "Stopped logging created directories"},
      {&TConfigSwitches::log_excluded, "Started logging matching filters",
       "Stopped logging matching filters"},
      {&TConfigSwitches::log_min_ages,
       "Started logging modified files with minimal age not expired",
       "Stopped logging modified files with minimal age not expired"},
      {&TConfigSwitches::log_update_creation_time, "Started logging update creation time",
       "Stopped logging update creation time"},
      {&TConfigSwitches::close_when_done, "Closing when scan is done",
       "Won't close when scan is done"},
      {&TConfigSwitches::confirm, "Confirm updates of destination", "No longer confirm updates"},
      {&TConfigSwitches::auto_filter, "Enabled automatic filters", "Disabled automatic filters"},
      {&TConfigSwitches::scan_excluded_dirs, "Enabled scan of excluded directories",
       "Disabled scan of excluded directories"},
      {&TConfigSwitches::use_archive_bit,
       "Enabled update of files wich have their archive attribute set",
       "Disabled update of files wich have their archive attribute set"},
  };
  return kLines;
}

std::string SwitchLine(bool TConfigSwitches::*field, bool on) {
  for (const TSwitchLines& lines : SwitchLines()) {
    if (lines.field == field) return on ? lines.on : lines.off;
  }
  return "";
}

std::string PriorityLine(int priority) {
  return "Changed thread priority to " + PriorityName(priority);
}

}  // namespace qv
