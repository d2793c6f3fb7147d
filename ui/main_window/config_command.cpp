// "C&onfiguration...": the configuration dialog over the window.
#include "filesys/platform_wrapper.h"
#include "ui/config_dialog/config_dlg.h"
#include "ui/dialogs/dialogs.h"
#include "ui/main_window/config_apply.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/scan_control.h"
#include "ui/main_window/tool_bar.h"

namespace qv {

void TMainWindow::BuildConfigurationCommand() {
  // The window's platform lives as long as the program; the wrapper lets a
  // check that hangs past the dialog hold on to it.
  check_platform_ = std::make_shared<PlatformWrapper>(platform_);
  configuration_->setEnabled(true);
  tool_bar_->config()->setEnabled(true);
  connect(configuration_, &QAction::triggered, this, &TMainWindow::OpenConfiguration);
  connect(tool_bar_->config(), &QAction::triggered, this, &TMainWindow::OpenConfiguration);
  connect(this, &TMainWindow::configurationAccepted, this,
          [this](const TConfigEdit& edit) { config_apply_->Apply(edit); });
  connect(&tray(), &TTrayControl::viewRequested, this, [this] {
    if (config_dlg_ == nullptr) return;
    config_dlg_->showNormal();
    config_dlg_->raise();
    config_dlg_->activateWindow();
  });
}

void TMainWindow::OpenConfiguration() {
  if (config_dlg_ != nullptr) {
    config_dlg_->raise();
    config_dlg_->activateWindow();
    return;
  }
  config_dlg_ = new TConfigDlg(
      {*ini_, check_platform_, dialogs_, open_, [this] { return scan_control_->scanning(); }},
      this);
  config_dlg_->setAttribute(Qt::WA_DeleteOnClose);
  // Closed: deleted later, and a new one may open meanwhile.
  connect(config_dlg_, &QDialog::finished, this, [this] { config_dlg_ = nullptr; });
  if (!config_dlg_->Fill()) {
    dialogs_.Error("The configuration could not be read from " + settings_path_ + ".");
    config_dlg_->deleteLater();
    config_dlg_ = nullptr;
    return;
  }
  // Whichever of accepted and finished comes first, the dialog is still there.
  connect(config_dlg_, &QDialog::accepted, this,
          [this, dialog = config_dlg_] { emit configurationAccepted(dialog->edit()); });
  config_dlg_->open();
}

}  // namespace qv
