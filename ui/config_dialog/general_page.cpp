#include "ui/config_dialog/general_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <utility>

#include "ui/logic/config_dlg_rules.h"

namespace qv {

namespace {

constexpr int kMaxMinutes = 35791;

QGroupBox* AddGroup(QVBoxLayout* page, const char* title) {
  auto* group = new QGroupBox(title);
  page->addWidget(group);
  return group;
}

void AddRow(QFormLayout* form, const char* caption, QWidget* field, QWidget* beside = nullptr) {
  auto* label = new QLabel(caption);
  label->setBuddy(field);
  if (beside == nullptr) {
    form->addRow(label, field);
    return;
  }
  auto* row = new QHBoxLayout;
  row->addWidget(field);
  row->addWidget(beside);
  row->addStretch();
  form->addRow(label, row);
}

}  // namespace

TGeneralPage::TGeneralPage(std::function<bool(const std::string&)> ask, QWidget* parent)
    : QWidget(parent), ask_(std::move(ask)) {
  setObjectName("TabSheetGeneral");
  auto* page = new QVBoxLayout(this);
  auto* run = new QFormLayout(AddGroup(page, "Run"));
  minutes_ = AddSpin("SpinEditMinutes", -1);
  AddRow(run, "&Minutes to wait between scans", minutes_,
         new QLabel("Specify -1 to not repeat scanning"));
  suspend_ = AddSpin("SpinEditMinutesToSuspend", 0);
  AddRow(run, "Mi&nutes to suspend the scanner after user input when minimized", suspend_);
  priority_ = new QComboBox;
  priority_->setObjectName("ComboBoxPriority");
  priority_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  priority_->addItems(
      {"System idle", "Lowest", "Lower", "Normal", "Higher", "Highest", "Time critical"});
  AddRow(run, "&Priority of scanning thread", priority_);
  min_minutes_ = AddSpin("SpinEditMinMinutes", 0);
  AddRow(run, "Minimal minutes to &wait after you login before starting a scan", min_minutes_);
  auto_start_ = AddCheck("CheckBoxAutoStart", "&Start Quorvane when you login");
  close_when_done_ = AddCheck("CheckBoxCloseWhenDone", "Clos&e Quorvane when the scan is done");
  run->addRow(auto_start_);
  run->addRow(close_when_done_);

  auto* log = new QVBoxLayout(AddGroup(page, "Log"));
  log_create_ = AddCheck("CheckBoxLogCreateFile", "&Log the creation of files");
  log_create_dir_ = AddCheck("CheckBoxLogCreateDir", "L&og the creation of directories");
  log_filters_ = AddCheck("CheckBoxLogFilters", "Lo&g matching filters");
  log_min_ages_ =
      AddCheck("CheckBoxLogMinAges", "Log modified &files with minimal age not expired");
  log_creation_time_ = AddCheck("CheckBoxLogUpdateCreationTime", "Log update creation &time");
  for (QCheckBox* box :
       {log_create_, log_create_dir_, log_filters_, log_min_ages_, log_creation_time_}) {
    log->addWidget(box);
  }

  auto* misc = new QVBoxLayout(AddGroup(page, "Miscellaneous"));
  confirm_ = AddCheck("CheckBoxConfirm", "&Confirm updates of destination");
  disable_auto_filter_ = AddCheck("CheckBoxDisableAutoFilter", "&Disable automatic filters");
  scan_excluded_dirs_ = AddCheck("CheckBoxScanExcludedDirs",
                                 "&Scan excluded dirs to retrieve number of files and sizes");
  use_archive_bit_ = AddCheck("CheckBoxUseArchiveBit", "&Update files with archive attribute set");
  for (QCheckBox* box : {confirm_, disable_auto_filter_, scan_excluded_dirs_, use_archive_bit_}) {
    misc->addWidget(box);
  }
  page->addStretch();
  connect(disable_auto_filter_, &QCheckBox::toggled, this, &TGeneralPage::AutoFilterToggled);
}

QSpinBox* TGeneralPage::AddSpin(const char* name, int minimum) {
  auto* spin = new QSpinBox(this);
  spin->setObjectName(name);
  spin->setRange(minimum, kMaxMinutes);
  // As wide as its largest number, not as the page.
  spin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return spin;
}

QCheckBox* TGeneralPage::AddCheck(const char* name, const char* caption) {
  auto* box = new QCheckBox(caption, this);
  box->setObjectName(name);
  return box;
}

void TGeneralPage::AutoFilterToggled(bool checked) {
  if (!checked || ask_(DisableAutoFilterQuestion(confirm_->isChecked()))) return;
  set_auto_filter_disabled(false);
}

bool TGeneralPage::auto_filter_disabled() const { return disable_auto_filter_->isChecked(); }

void TGeneralPage::set_auto_filter_disabled(bool disabled) {
  const QSignalBlocker quiet(disable_auto_filter_);
  disable_auto_filter_->setChecked(disabled);
}

void TGeneralPage::Show(const TGeneralValues& values) {
  minutes_->setValue(values.wait_minutes);
  suspend_->setValue(values.suspend_minutes);
  priority_->setCurrentIndex(values.priority);
  min_minutes_->setValue(values.min_minutes_to_wait);
  auto_start_->setChecked(values.start_at_login);
  const TConfigSwitches& s = values.switches;
  close_when_done_->setChecked(s.close_when_done);
  log_create_->setChecked(s.log_create);
  log_create_dir_->setChecked(s.log_create_dir);
  log_filters_->setChecked(s.log_excluded);
  log_min_ages_->setChecked(s.log_min_ages);
  log_creation_time_->setChecked(s.log_update_creation_time);
  confirm_->setChecked(s.confirm);
  set_auto_filter_disabled(!s.auto_filter);
  scan_excluded_dirs_->setChecked(s.scan_excluded_dirs);
  use_archive_bit_->setChecked(s.use_archive_bit);
}

TGeneralValues TGeneralPage::Values() const {
  TGeneralValues values;
  values.wait_minutes = minutes_->value();
  values.suspend_minutes = suspend_->value();
  values.priority = priority_->currentIndex();
  values.min_minutes_to_wait = min_minutes_->value();
  values.start_at_login = auto_start_->isChecked();
  TConfigSwitches& s = values.switches;
  s.close_when_done = close_when_done_->isChecked();
  s.log_create = log_create_->isChecked();
  s.log_create_dir = log_create_dir_->isChecked();
  s.log_excluded = log_filters_->isChecked();
  s.log_min_ages = log_min_ages_->isChecked();
  s.log_update_creation_time = log_creation_time_->isChecked();
  s.confirm = confirm_->isChecked();
  s.auto_filter = !auto_filter_disabled();
  s.scan_excluded_dirs = scan_excluded_dirs_->isChecked();
  s.use_archive_bit = use_archive_bit_->isChecked();
  return values;
}

}  // namespace qv
