#ifndef QUORVANE_UI_TRAY_TRAY_MENU_H_
#define QUORVANE_UI_TRAY_TRAY_MENU_H_

#include <QMenu>
#include <functional>

namespace qv {

struct TScanStateView;

// The tray's menu. Its items say what the user asked for; the owner acts.
// "Close when &done" shows the effective CloseWhenDone each time it opens.
class TTrayMenu : public QMenu {
  Q_OBJECT

 public:
  explicit TTrayMenu(std::function<bool()> close_when_done, QWidget* parent = nullptr);

  // Shows, hides, enables and captions Start, Stop and Start timer.
  void ShowState(const TScanStateView& view);

  QAction* view() const { return view_; }
  QAction* start() const { return start_; }
  QAction* stop() const { return stop_; }
  QAction* start_timer() const { return start_timer_; }
  QAction* close_program() const { return close_; }
  QAction* close_when_done() const { return close_when_done_; }

 private:
  QAction* Item(const char* name, const char* caption);

  std::function<bool()> close_when_done_set_;
  QAction* view_;
  QAction* start_;
  QAction* stop_;
  QAction* start_timer_;
  QAction* close_;
  QAction* close_when_done_;
};

}  // namespace qv

#endif  // QUORVANE_UI_TRAY_TRAY_MENU_H_
