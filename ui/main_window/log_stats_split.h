#ifndef QUORVANE_UI_MAIN_WINDOW_LOG_STATS_SPLIT_H_
#define QUORVANE_UI_MAIN_WINDOW_LOG_STATS_SPLIT_H_

#include <QObject>

class QAction;
class QSplitter;
class QWidget;

namespace qv {

class TToolBar;

// The statistics panel above the log in one splitter, and what shows and
// hides them. The log counts as shown while it is visible and, beside a shown
// panel, leaves the panel at least kMinPanelHeight. Hiding the log lets the
// panel fill the window; showing it again gives the panel its remembered
// height. Hiding the panel gives the log the room. Never both go: hiding the
// only one left shows the other instead of an empty window. After each change
// the tool buttons and the menu entries show the state.
//
// Main thread only.
class TLogStatsSplit : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMinPanelHeight = 32;

  TLogStatsSplit(QSplitter& splitter, QWidget& panel, QWidget& log, TToolBar& tools,
                 QObject* parent = nullptr);

  // The checkable menu entries that follow the state ("&View Log",
  // "&View statistics").
  void set_entries(QAction* view_log, QAction* view_stats);

  bool log_shown() const;
  bool stats_shown() const;
  void ToggleLog() { SetLogShown(!log_shown()); }
  void ToggleStats() { SetStatsShown(!stats_shown()); }
  void SetLogShown(bool shown);
  void SetStatsShown(bool shown);

  // The panel's height beside the log: its current one while both are
  // shown, otherwise the one it gets back.
  int panel_height() const;
  // Clamped to what leaves both usable; applied now, or as the splitter is
  // first shown with its real height.
  void SetPanelHeight(int height);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Both shown now: the splitter gets the panel's remembered height.
  void ApplyHeight();
  void Remember();
  void ShowChecks();

  QSplitter& splitter_;
  QWidget& panel_;
  QWidget& log_;
  TToolBar& tools_;
  QAction* view_log_ = nullptr;
  QAction* view_stats_ = nullptr;
  int remembered_ = -1;   // -1: the splitter's own division
  bool pending_ = false;  // remembered_ waits for the splitter to be shown
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_LOG_STATS_SPLIT_H_
