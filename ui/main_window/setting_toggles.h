#ifndef QUORVANE_UI_MAIN_WINDOW_SETTING_TOGGLES_H_
#define QUORVANE_UI_MAIN_WINDOW_SETTING_TOGGLES_H_

#include <QObject>
#include <string>
#include <vector>

#include "config/config_data.h"

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace qv {

class Platform;
class TDialogs;
class TQVIniFile;
class TScanControl;

struct TSettingTogglesDeps {
  Platform& platform;
  TQVIniFile& ini;
  TConfigData& config;  // effective: what the toggles show and change
  TScanControl& scan_control;
  TDialogs& dialogs;
  std::string executable;  // registered to start at login
};

// The menu commands that change one general setting each: the five log
// switches, close when done, the scan's priority and the start at login.
// A toggle stores its own value alone, so that command-line options and
// the tray's close-for-this-run stay unstored.
class TSettingToggles : public QObject {
  Q_OBJECT

 public:
  TSettingToggles(const TSettingTogglesDeps& deps, QWidget* parent);

  // "Log creation of files" ... "Log update creation time", in this order.
  const std::vector<QAction*>& log_toggles() const { return log_toggles_; }
  QAction* close_when_done() const { return close_when_done_; }
  QAction* start_at_login() const { return start_at_login_; }
  // "&Priority scanner" with its seven radio entries.
  QMenu* priority_menu() const { return priority_menu_; }

  // The checks from the effective configuration (and the autostart entry),
  // as a menu that shows them opens.
  void ShowValues();
  // Creates or removes the autostart entry; an error box when it cannot.
  void SetStartAtLogin(bool wanted);

 private:
  // The toggles' commands; an unchanged value does nothing.
  void SetSwitch(bool TConfigSwitches::*field, bool on);
  void SetPriority(int priority);
  void Store(bool saved);

  Platform& platform_;
  TQVIniFile& ini_;
  TConfigData& config_;
  TScanControl& scan_control_;
  TDialogs& dialogs_;
  const std::string executable_;
  std::vector<QAction*> log_toggles_;
  std::vector<bool TConfigSwitches::*> log_fields_;
  QAction* close_when_done_;
  QAction* start_at_login_;
  QMenu* priority_menu_;
  QActionGroup* priorities_;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_SETTING_TOGGLES_H_
