#ifndef QUORVANE_UI_CONFIG_DIALOG_GENERAL_PAGE_H_
#define QUORVANE_UI_CONFIG_DIALOG_GENERAL_PAGE_H_

#include <QWidget>
#include <functional>
#include <string>

#include "ui/logic/config_edit.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace qv {

// The "&General" page: groups "Run", "Log" and "Miscellaneous".
class TGeneralPage : public QWidget {
  Q_OBJECT

 public:
  // ask puts the question on checking "&Disable automatic filters".
  TGeneralPage(std::function<bool(const std::string&)> ask, QWidget* parent);

  void Show(const TGeneralValues& values);
  TGeneralValues Values() const;
  bool auto_filter_disabled() const;
  void set_auto_filter_disabled(bool disabled);

 private:
  QSpinBox* AddSpin(const char* name, int minimum);
  QCheckBox* AddCheck(const char* name, const char* caption);
  void AutoFilterToggled(bool checked);

  std::function<bool(const std::string&)> ask_;
  QSpinBox* minutes_;
  QSpinBox* suspend_;
  QComboBox* priority_;
  QCheckBox* auto_start_;
  QSpinBox* min_minutes_;
  QCheckBox* close_when_done_;
  QCheckBox* log_create_;
  QCheckBox* log_create_dir_;
  QCheckBox* log_filters_;
  QCheckBox* log_min_ages_;
  QCheckBox* log_creation_time_;
  QCheckBox* confirm_;
  QCheckBox* disable_auto_filter_;
  QCheckBox* scan_excluded_dirs_;
  QCheckBox* use_archive_bit_;
};

}  // namespace qv

#endif  // QUORVANE_UI_CONFIG_DIALOG_GENERAL_PAGE_H_
