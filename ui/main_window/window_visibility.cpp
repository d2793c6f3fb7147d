#include "ui/main_window/window_visibility.h"

#include <QTimer>
#include <QWidget>

#include "ui/main_window/scan_control.h"
#include "ui/tray/tray_control.h"

namespace qv {

TWindowVisibility::TWindowVisibility(QWidget& window, TTrayControl& tray, TScanControl& scan,
                                     bool toggle_view)
    : QObject(&window), window_(window), tray_(tray), scan_(scan), toggle_view_(toggle_view) {
  connect(&tray_, &TTrayControl::viewRequested, this, &TWindowVisibility::View);
  connect(&tray_, &TTrayControl::addedLater, this, &TWindowVisibility::TrayAddedLater);
}

void TWindowVisibility::SetHiddenInTray(bool hidden) {
  if (hidden == hidden_in_tray_) return;
  hidden_in_tray_ = hidden;
  // Set before the window hides: the scan thread reads it.
  scan_.SetHiddenInTray(hidden);
  tray_.SetHidden(hidden);
  if (!hidden) emit shown();
}

void TWindowVisibility::StateChanged() {
  if (window_.isMinimized()) {
    if (!hidden_in_tray_) Minimise();
  } else if (hidden_in_tray_ && window_.isVisible()) {
    // Restored from the task bar, where it stayed without a tray.
    SetHiddenInTray(false);
  }
}

void TWindowVisibility::Minimise() {
  SetHiddenInTray(true);
  // Not inside the window's own state change.
  if (tray_.Add()) QTimer::singleShot(0, &window_, [this] { window_.hide(); });
}

void TWindowVisibility::StartHidden() {
  SetHiddenInTray(true);
  if (!tray_.Add()) window_.showMinimized();
}

void TWindowVisibility::TrayAddedLater() {
  if (hidden_in_tray_ && window_.isMinimized()) window_.hide();
}

void TWindowVisibility::View() {
  if (toggle_view_ && window_.isVisible() && !hidden_in_tray_) {
    SetHiddenInTray(true);
    if (tray_.added()) {
      window_.hide();
    } else {
      window_.showMinimized();
    }
    return;
  }
  window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
  window_.show();
  SetHiddenInTray(false);
  // The window manager raises a window only once it is mapped.
  QTimer::singleShot(0, &window_, [this] {
    window_.raise();
    window_.activateWindow();
  });
}

}  // namespace qv
