#ifndef QUORVANE_UI_MAIN_WINDOW_CONFIG_APPLY_H_
#define QUORVANE_UI_MAIN_WINDOW_CONFIG_APPLY_H_

#include <functional>
#include <vector>

#include "ui/logic/config_edit.h"

namespace qv {

class TConfigData;
class TDialogs;
class TQVIniFile;
class TScanControl;
class TSettingToggles;

struct TConfigApplyDeps {
  TQVIniFile& ini;
  TConfigData& config;  // effective: command-line options included
  TScanControl& scan_control;
  TSettingToggles& toggles;
  TDialogs& dialogs;
  // The lists were saved: the window's mirrors, menus and statistics follow.
  std::function<void()> configuration_changed;
};

// What the configuration dialog's OK changes: the general settings the user
// changed, through the window's setting operations, and the four lists.
// Changed mirrors are never saved under a running scan, whose ending mirror
// would write into the keys of a mapping just removed: the scan is stopped
// and the edit saved once its thread has ended (before a pending close).
class TConfigApply {
 public:
  explicit TConfigApply(const TConfigApplyDeps& deps);

  void Apply(TConfigEdit edit);
  // An edit waits for the stopped scan to end.
  bool pending() const { return !pending_.empty(); }

 private:
  void Save(const TConfigEdit& edit);
  void SavePending();
  // Only the values that differ between at_opening and edited.
  void ApplyGeneral(const TGeneralValues& at_opening, const TGeneralValues& edited);
  void ApplySwitches(const TConfigSwitches& at_opening, const TConfigSwitches& edited);
  void SaveLists(const std::vector<TListEditData>& lists);

  TQVIniFile& ini_;
  TConfigData& config_;
  TScanControl& scan_control_;
  TSettingToggles& toggles_;
  TDialogs& dialogs_;
  const std::function<void()> configuration_changed_;
  std::vector<TConfigEdit> pending_;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_CONFIG_APPLY_H_
