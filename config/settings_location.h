#ifndef QUORVANE_CONFIG_SETTINGS_LOCATION_H_
#define QUORVANE_CONFIG_SETTINGS_LOCATION_H_

#include <string>

namespace qv {

class Platform;

// The settings file of the user: $QUORVANE_SETTINGS, else
// $XDG_CONFIG_HOME/quorvane/settings.db, else ~/.config/quorvane/settings.db.
// Empty when none of these variables is set. A --settings option given on
// the command line takes precedence; the front ends apply it.
std::string DefaultSettingsPath(Platform& platform);

}  // namespace qv

#endif  // QUORVANE_CONFIG_SETTINGS_LOCATION_H_
