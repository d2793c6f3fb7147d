#ifndef QUORVANE_UI_TRAY_SYSTEM_TRAY_H_
#define QUORVANE_UI_TRAY_SYSTEM_TRAY_H_

#include <QSystemTrayIcon>

#include "ui/tray/tray.h"

namespace qv {

// The tray icon of the desktop: StatusNotifierItem over D-Bus where a host
// runs, else the X11 tray. Such hosts report no mouse moves and no double
// click, so a left click (Trigger) stands for the double click.
class TSystemTray : public TTray {
 public:
  TSystemTray();

  bool Add() override;
  bool added() const override { return icon_.isVisible(); }
  void SetTip(const QString& tip) override;
  void SetIcon(const QIcon& icon) override;
  void SetMenu(QMenu* menu) override { icon_.setContextMenu(menu); }
  void ShowMessage(const QString& title, const QString& text) override {
    icon_.showMessage(title, text);
  }

 private:
  QSystemTrayIcon icon_;
};

}  // namespace qv

#endif  // QUORVANE_UI_TRAY_SYSTEM_TRAY_H_
