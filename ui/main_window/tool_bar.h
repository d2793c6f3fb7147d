#ifndef QUORVANE_UI_MAIN_WINDOW_TOOL_BAR_H_
#define QUORVANE_UI_MAIN_WINDOW_TOOL_BAR_H_

#include <QToolBar>
#include <cstdint>

class QAction;
class QProgressBar;

namespace qv {

struct TScanStateView;

// The tool bar of the main window: the command buttons, left to right, and
// the gauge that fills the rest of the bar.
class TToolBar : public QToolBar {
  Q_OBJECT

 public:
  explicit TToolBar(QWidget* parent = nullptr);

  QAction* open_log() const { return open_log_; }
  QAction* start() const { return start_; }
  QAction* start_timer() const { return start_timer_; }
  QAction* stop() const { return stop_; }
  QAction* view_stats() const { return view_stats_; }
  QAction* view_log() const { return view_log_; }
  QAction* config() const { return config_; }
  QAction* help() const { return help_; }

  // Enabling of start, start timer and stop, and the stop button's hint.
  void ShowState(const TScanStateView& view);
  // done of total; a total of 0 counts as 1, and done never passes it (a
  // progress bar ignores a value above its maximum).
  void SetProgress(int64_t done, int64_t total);
  // The view buttons' glyph (pressed while shown) and hint follow the
  // visibility of the log and of the statistics panel.
  void ShowLogShown(bool shown);
  void ShowStatsShown(bool shown);

 private:
  QAction* AddButton(const char* name, int icon, const char* hint);

  QAction* open_log_;
  QAction* start_;
  QAction* start_timer_;
  QAction* stop_;
  QAction* view_stats_;
  QAction* view_log_;
  QAction* config_;
  QAction* help_;
  QProgressBar* gauge_;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_TOOL_BAR_H_
