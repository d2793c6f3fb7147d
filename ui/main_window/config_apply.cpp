#include "ui/main_window/config_apply.h"

#include <utility>

#include "config/config_data.h"
#include "config/qv_ini_file.h"
#include "ui/dialogs/dialogs.h"
#include "ui/dialogs/list_save_boxes.h"
#include "ui/logic/setting_lines.h"
#include "ui/main_window/scan_control.h"
#include "ui/main_window/setting_toggles.h"

namespace qv {

namespace {

constexpr int kMillisPerMinute = 60000;

// The stored settings that values stand for.
TConfigData ConfigOf(const TGeneralValues& values) {
  TConfigData config;
  config.SetWaitMinutes(values.wait_minutes);
  config.SetSuspendMillis(values.suspend_minutes * kMillisPerMinute);
  config.SetPriority(values.priority);
  config.SetMinMinutesToWait(values.min_minutes_to_wait);
  config.switches = values.switches;
  return config;
}

}  // namespace

TConfigApply::TConfigApply(const TConfigApplyDeps& deps)
    : ini_(deps.ini),
      config_(deps.config),
      scan_control_(deps.scan_control),
      toggles_(deps.toggles),
      dialogs_(deps.dialogs),
      configuration_changed_(deps.configuration_changed) {}

void TConfigApply::Apply(TConfigEdit edit) {
  // A later edit waits behind an earlier one, so that they land in order.
  if (pending() || (edit.mappings_changed && scan_control_.scanning())) {
    pending_.push_back(std::move(edit));
    if (pending_.size() == 1) scan_control_.StopFor([this] { SavePending(); });
    return;
  }
  Save(edit);
}

void TConfigApply::SavePending() {
  for (const TConfigEdit& edit : std::exchange(pending_, {})) Save(edit);
}

void TConfigApply::Save(const TConfigEdit& edit) {
  ApplyGeneral(edit.at_opening, edit.edited);
  SaveLists(edit.lists);
}

void TConfigApply::ApplyGeneral(const TGeneralValues& at_opening, const TGeneralValues& edited) {
  const TConfigData before = ConfigOf(at_opening);
  const TConfigData after = ConfigOf(edited);
  if (after.suspend_millis() != before.suspend_millis()) {
    config_.SetSuspendMillis(after.suspend_millis());
    scan_control_.ApplySuspend(SuspendDescription(after.suspend_millis()));
  }
  if (after.priority() != before.priority()) {
    config_.SetPriority(after.priority());
    scan_control_.ApplyPriority(PriorityLine(after.priority()));
  }
  if (after.min_minutes_to_wait() != before.min_minutes_to_wait())
    config_.SetMinMinutesToWait(after.min_minutes_to_wait());
  ApplySwitches(before.switches, after.switches);
  if (after.wait_minutes() != before.wait_minutes()) {
    config_.SetWaitMinutes(after.wait_minutes());
    scan_control_.WaitChanged();
  }
  if (!after.SaveChanges(ini_, before)) dialogs_.Error(ini_.FailureText());
  if (edited.start_at_login != at_opening.start_at_login)
    toggles_.SetStartAtLogin(edited.start_at_login);
}

void TConfigApply::ApplySwitches(const TConfigSwitches& at_opening, const TConfigSwitches& edited) {
  for (const TSwitchLines& lines : SwitchLines()) {
    const bool on = edited.*lines.field;
    if (on == at_opening.*lines.field) continue;
    config_.switches.*lines.field = on;
    scan_control_.ApplySwitches(on ? lines.on : lines.off);
  }
}

void TConfigApply::SaveLists(const std::vector<TListEditData>& lists) {
  std::vector<TListEdit> edits;
  for (const TListEditData& list : lists) edits.push_back(list.View());
  if (ShowListSave(qv::SaveLists(ini_, edits), dialogs_)) configuration_changed_();
}

}  // namespace qv
