#ifndef QUORVANE_UI_LOGIC_CONFIG_EDIT_H_
#define QUORVANE_UI_LOGIC_CONFIG_EDIT_H_

#include <vector>

#include "config/config_data.h"
#include "config/list_save.h"

namespace qv {

// The general settings as the configuration dialog shows them: the stored
// values, never the command line's.
struct TGeneralValues {
  int wait_minutes = -1;
  int suspend_minutes = 0;  // the stored milliseconds div 60000
  int priority = 0;
  int min_minutes_to_wait = 0;
  TConfigSwitches switches;
  bool start_at_login = false;
  bool operator==(const TGeneralValues&) const = default;
};

// stored: as loaded from the settings store, without the command line.
TGeneralValues GeneralValuesOf(const TConfigData& stored, bool start_at_login);

// A list as the dialog left it, owning what TListEdit refers to, so that it
// can wait for a running scan to end after the dialog is gone.
struct TListEditData {
  TListSnapshot snapshot;
  std::vector<TListRow> rows;
  TListEdit View() const { return {snapshot, rows}; }
};

// What the configuration dialog hands to the window when it closes with OK:
// every page validated.
struct TConfigEdit {
  TGeneralValues at_opening;
  TGeneralValues edited;
  // Mappings, filters, minimal ages, file mappings, in this order.
  std::vector<TListEditData> lists;
  // The mirrors differ from the stored ones: a running scan must end before
  // the lists are saved.
  bool mappings_changed = false;
};

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_CONFIG_EDIT_H_
