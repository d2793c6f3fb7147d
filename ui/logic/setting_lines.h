#ifndef QUORVANE_UI_LOGIC_SETTING_LINES_H_
#define QUORVANE_UI_LOGIC_SETTING_LINES_H_

#include <string>
#include <vector>

#include "config/config_data.h"

namespace qv {

// A switch of the general settings with the lines that announce its change
// in the log of a running scan.
struct TSwitchLines {
  bool TConfigSwitches::*field;
  const char* on;
  const char* off;
};

// Every member of TConfigSwitches, the five log switches first.
const std::vector<TSwitchLines>& SwitchLines();
// The line for field turned on or off.
std::string SwitchLine(bool TConfigSwitches::*field, bool on);
// The line for a new priority of the scan.
std::string PriorityLine(int priority);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_SETTING_LINES_H_
