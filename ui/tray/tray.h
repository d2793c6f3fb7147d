#ifndef QUORVANE_UI_TRAY_TRAY_H_
#define QUORVANE_UI_TRAY_TRAY_H_

#include <QIcon>
#include <QString>
#include <functional>
#include <utility>

class QMenu;

namespace qv {

// The notify icon in the desktop's tray. It knows no window: its owner gives
// it a menu, a tip and a picture, and hears of clicks.
class TTray {
 public:
  virtual ~TTray() = default;

  // Asks the desktop to show the icon; false while no tray exists.
  virtual bool Add() = 0;
  virtual bool added() const = 0;
  // Only while the icon is shown; ignored otherwise.
  virtual void SetTip(const QString& tip) = 0;
  virtual void SetIcon(const QIcon& icon) = 0;
  // The menu of a right click (the owner keeps it).
  virtual void SetMenu(QMenu* menu) = 0;
  // A balloon at the icon; only while the icon is shown.
  virtual void ShowMessage(const QString& title, const QString& text) = 0;

  // A left click on the icon.
  void set_on_click(std::function<void()> on_click) { on_click_ = std::move(on_click); }

 protected:
  void Clicked() {
    if (on_click_) on_click_();
  }

 private:
  std::function<void()> on_click_;
};

}  // namespace qv

#endif  // QUORVANE_UI_TRAY_TRAY_H_
