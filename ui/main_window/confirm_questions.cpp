// The window's side of the scan's questions: the confirmation dialog is
// prepared when the scan thread asks and shown once the event loop is idle.
#include <QEvent>
#include <QStatusBar>
#include <QTimer>

#include "config/mappings.h"
#include "ui/app/icons.h"
#include "ui/dialogs/confirm_update.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/scan_control.h"
#include "ui/tray/tray_control.h"

namespace qv {

void TMainWindow::BuildConfirm() {
  confirm_ = std::make_unique<TDlgConfirmUpdate>(
      TConfirmUpdateDeps{platform_, *ini_, dialogs_, open_}, this);
  confirm_->setWindowIcon(StateIcon("MAINICON"));
  connect(scan_control_.get(), &TScanControl::confirmRequested, this, &TMainWindow::PrepareConfirm);
  // A late click must never reach a scan that is gone.
  connect(scan_control_.get(), &TScanControl::questionDropped, confirm_.get(),
          &TDlgConfirmUpdate::Forget);
  connect(confirm_.get(), &TDlgConfirmUpdate::terminateChosen, scan_control_.get(),
          &TScanControl::Stop);
  // A click on the status bar brings a waiting question back.
  statusBar()->installEventFilter(this);
}

void TMainWindow::PrepareConfirm(const TConfirmQuestion& question) {
  confirm_->Prepare(question, mappings_.get(),
                    [this](bool yes, uint16_t flags) { scan_control_->Answer(yes, flags); });
  confirm_pending_ = true;
  // Shown when the event loop is idle again, after the scan thread's call.
  QTimer::singleShot(0, this, &TMainWindow::ShowPendingConfirm);
}

void TMainWindow::ShowPendingConfirm() {
  if (!confirm_pending_) return;
  confirm_pending_ = false;
  if (!confirm_->waiting()) return;
  confirm_->ShowWaiting();
  if (!isVisible()) {
    tray_->ShowMessage(confirm_->windowTitle(), "Suspended mirror awaiting confirmation");
  }
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == statusBar() && event->type() == QEvent::MouseButtonPress) {
    confirm_->ShowWaiting();
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace qv
