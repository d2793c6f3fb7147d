#include "ui/tray/system_tray.h"

#include "ui/logic/scan_state.h"

namespace qv {

TSystemTray::TSystemTray() {
  icon_.setToolTip(kProgramTitle);
  QObject::connect(
      &icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) Clicked();
      });
}

bool TSystemTray::Add() {
  if (added()) return true;
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  icon_.show();
  return added();
}

void TSystemTray::SetTip(const QString& tip) {
  if (added()) icon_.setToolTip(tip);
}

void TSystemTray::SetIcon(const QIcon& icon) { icon_.setIcon(icon); }

}  // namespace qv
