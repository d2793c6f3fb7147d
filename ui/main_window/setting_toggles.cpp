#include "ui/main_window/setting_toggles.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "config/qv_ini_file.h"
#include "config/start_at_logon.h"
#include "ui/dialogs/dialogs.h"
#include "ui/logic/setting_lines.h"
#include "ui/main_window/scan_control.h"

namespace qv {

namespace {

struct TLogToggle {
  const char* caption;
  const char* object_name;
  bool TConfigSwitches::*field;
};

constexpr TLogToggle kLogToggles[] = {
    {"Log creation of files", "MenuLogCreate", &TConfigSwitches::log_create},
    {"Log creation of directories", "MenuLogCreateDir", &TConfigSwitches::log_create_dir},
    {"Log matching filters", "MenuLogExcluded", &TConfigSwitches::log_excluded},
    {"Log minimal age not expired", "MenuLogMinAges", &TConfigSwitches::log_min_ages},
    {"Log update creation time", "MenuLogUpdateCreationTime",
     &TConfigSwitches::log_update_creation_time},
};

QAction* Checkable(const QString& caption, const char* name, QObject* parent) {
  auto* action = new QAction(caption, parent);
  action->setObjectName(name);
  action->setCheckable(true);
  return action;
}

}  // namespace

TSettingToggles::TSettingToggles(const TSettingTogglesDeps& deps, QWidget* parent)
    : QObject(parent),
      platform_(deps.platform),
      ini_(deps.ini),
      config_(deps.config),
      scan_control_(deps.scan_control),
      dialogs_(deps.dialogs),
      executable_(deps.executable) {
  for (const TLogToggle& toggle : kLogToggles) {
    QAction* action = Checkable(toggle.caption, toggle.object_name, this);
    connect(action, &QAction::triggered, this,
            [this, toggle](bool on) { SetSwitch(toggle.field, on); });
    log_toggles_.push_back(action);
    log_fields_.push_back(toggle.field);
  }
  close_when_done_ = Checkable("&Close when done", "MenuCloseWhenDone", this);
  connect(close_when_done_, &QAction::triggered, this,
          [this](bool on) { SetSwitch(&TConfigSwitches::close_when_done, on); });
  start_at_login_ = Checkable("Start when you &login", "MenuStartAtLogin", this);
  connect(start_at_login_, &QAction::triggered, this, &TSettingToggles::SetStartAtLogin);

  priority_menu_ = new QMenu("&Priority scanner", parent);
  priority_menu_->setObjectName("MenuPriority");
  priorities_ = new QActionGroup(this);
  for (int i = 0; i < kPriorityCount; ++i) {
    const QString name = QString::fromStdString(PriorityName(i));
    QAction* action = Checkable(name, "", priorities_);
    action->setObjectName("MenuPriority" + QString(name).remove(' '));
    priority_menu_->addAction(action);
    connect(action, &QAction::triggered, this, [this, i] { SetPriority(i); });
  }
  ShowValues();
}

void TSettingToggles::ShowValues() {
  for (size_t i = 0; i < log_toggles_.size(); ++i)
    log_toggles_[i]->setChecked(config_.switches.*log_fields_[i]);
  close_when_done_->setChecked(config_.switches.close_when_done);
  priorities_->actions().at(config_.priority())->setChecked(true);
  start_at_login_->setChecked(StartsAtLogon(platform_));
}

void TSettingToggles::SetSwitch(bool TConfigSwitches::*field, bool on) {
  if (config_.switches.*field == on) return;
  config_.switches.*field = on;
  scan_control_.ApplySwitches(SwitchLine(field, on));
  Store(config_.SaveSwitch(ini_, field));
}

void TSettingToggles::SetPriority(int priority) {
  if (config_.priority() == priority) return;
  config_.SetPriority(priority);
  scan_control_.ApplyPriority(PriorityLine(priority));
  Store(config_.SavePriority(ini_));
}

void TSettingToggles::SetStartAtLogin(bool wanted) {
  const bool current = StartsAtLogon(platform_);
  if (!SetStartAtLogon(platform_, wanted, current, executable_)) {
    dialogs_.Error("Cannot change the start at login: the autostart entry cannot be written");
  }
  start_at_login_->setChecked(StartsAtLogon(platform_));
}

void TSettingToggles::Store(bool saved) {
  if (!saved) dialogs_.Error(ini_.FailureText());
}

}  // namespace qv
