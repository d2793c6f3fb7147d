#ifndef QUORVANE_UI_TRAY_TRAY_CONTROL_H_
#define QUORVANE_UI_TRAY_TRAY_CONTROL_H_

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/tray/tray.h"

namespace qv {

class TTrayMenu;
struct TScanStateView;

// How often the tray is asked again and the tip refreshed; tests shorten them.
struct TTrayTimings {
  // A tray host may start after the program (autostart): about two minutes.
  int retry_ms = 5000;
  int retries = 24;
  // Tray hosts report no mouse moves, so the "% done" tip is refreshed.
  int tip_refresh_ms = 5000;
};

// What the tip shows while a scan runs.
struct TTipProgress {
  int64_t done = 0;
  int64_t total = 0;
  bool suspended = false;
};

// The tray icon of the window: adds it (retrying while the desktop has no
// tray), sets its tip, picture and menu from the scan's state, and turns
// clicks into a view request. It knows no window.
class TTrayControl : public QObject {
  Q_OBJECT

 public:
  TTrayControl(std::unique_ptr<TTray> tray, const TTrayTimings& timings,
               std::function<bool()> close_when_done, QObject* parent = nullptr);
  ~TTrayControl() override;

  // True when the icon is shown. The first refusal emits refused() and
  // starts the retries.
  bool Add();
  bool added() const { return tray_->added(); }
  void ShowState(const TScanStateView& view, bool scanning);
  void SetIcon(const QIcon& icon) { tray_->SetIcon(icon); }
  void ShowMessage(const QString& title, const QString& text) {
    if (tray_->added()) tray_->ShowMessage(title, text);
  }
  // While hidden and scanning the tip shows the progress from `source`.
  void SetHidden(bool hidden);
  void set_progress_source(std::function<TTipProgress()> source) { progress_ = std::move(source); }
  // The tip as it was last set (the icon ignores tips while not shown).
  const QString& tip() const { return tip_; }
  bool retrying() const { return retry_.isActive(); }
  TTrayMenu& menu() { return *menu_; }

 signals:
  // "Notify icon refused by taskbar": once, at the first refusal.
  void refused();
  // A retry found a tray.
  void addedLater();
  void viewRequested();

 private:
  void Retry();
  void RefreshTip();
  void UpdateTipTimer();

  std::unique_ptr<TTray> tray_;
  const TTrayTimings timings_;
  std::unique_ptr<TTrayMenu> menu_;
  std::function<TTipProgress()> progress_;
  QTimer retry_;
  QTimer tip_refresh_;
  int retries_left_ = 0;
  bool refused_once_ = false;
  bool hidden_ = false;
  bool scanning_ = false;
  std::string title_;
  QString tip_;
};

}  // namespace qv

#endif  // QUORVANE_UI_TRAY_TRAY_CONTROL_H_
