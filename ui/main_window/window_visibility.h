#ifndef QUORVANE_UI_MAIN_WINDOW_WINDOW_VISIBILITY_H_
#define QUORVANE_UI_MAIN_WINDOW_WINDOW_VISIBILITY_H_

#include <QObject>

class QWidget;

namespace qv {

class TScanControl;
class TTrayControl;

// When the window hides into the tray and when it comes back. Minimising
// always sets hidden in tray (the scan then pauses after user input and the
// progress is no longer drawn); the window itself is hidden only while the
// tray shows its icon, otherwise it stays minimised in the task bar, so the
// program is never invisible.
//
// Main thread only.
class TWindowVisibility : public QObject {
  Q_OBJECT

 public:
  // toggle_view: the desktop reports no minimised state (Wayland), so
  // "&View Quorvane" hides a shown window.
  TWindowVisibility(QWidget& window, TTrayControl& tray, TScanControl& scan, bool toggle_view);

  // The window's state changed (from its changeEvent).
  void StateChanged();
  // "&View Quorvane", a click on the icon, another copy's hand-over: shows
  // and restores the window and brings it to the front at the next idle
  // moment.
  void View();
  // /START: hidden in the tray, or minimised in the task bar without one.
  void StartHidden();

  bool hidden_in_tray() const { return hidden_in_tray_; }

 signals:
  // The window is shown again (its mirror list is read again).
  void shown();

 private:
  void Minimise();
  void SetHiddenInTray(bool hidden);
  void TrayAddedLater();

  QWidget& window_;
  TTrayControl& tray_;
  TScanControl& scan_;
  const bool toggle_view_;
  bool hidden_in_tray_ = false;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_WINDOW_VISIBILITY_H_
