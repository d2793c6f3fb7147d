#ifndef QUORVANE_UI_MAIN_WINDOW_STATISTICS_MENU_H_
#define QUORVANE_UI_MAIN_WINDOW_STATISTICS_MENU_H_

#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>
#include <string>

#include "stats/chart_values.h"

class QAction;
class QKeySequence;
class QMenu;
class QTableView;
class QWidget;

namespace qv {

class TStatsPanel;

struct TStatisticsMenuDeps {
  TStatsPanel& panel;
  // A scan runs: clearing waits for its end, as the menu's entries do.
  std::function<bool()> scanning;
  // Asks, clears and shows the mirror again; destination as stored.
  std::function<void(const std::string& destination)> clear_archive_info;
  std::function<void(const std::string& folder)> open_folder;
  // The window's "C&onfiguration..."; acted on only while enabled.
  QAction* configuration;
};

// The commands of the statistics panel: the Statistics menu's switches
// (their marks read from the panel as a menu opens, so that changes made in
// the panel's check lists show), the panel's context menu and the double
// click on its mirror list. The switches need the panel shown: they are
// disabled, shortcuts included, while it is hidden.
//
// Threads: the main thread.
class TStatisticsMenu : public QObject {
  Q_OBJECT

 public:
  TStatisticsMenu(const TStatisticsMenuDeps& deps, QObject* parent);
  ~TStatisticsMenu() override;

  // Inserts the switches into menu before `before` (the "Clear archive
  // info" submenu, which is disabled with them).
  void AddTo(QMenu* menu, QMenu* before);
  // The context menu for a click at global (screen coordinates).
  void FillContextMenu(QMenu* menu, const QPoint& global);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* AddSwitch(const char* caption, const QKeySequence& keys,
                     const std::function<void()>& toggle);
  void ShowState();
  void FillColumns(TChartKind kind);
  void FillMirrors();
  QTableView* ChartAt(const QPoint& global) const;
  void AddChartCommands(QMenu* menu, QTableView* chart);
  // The commands on chart row `row` (-1: below the rows).
  void AddRowCommands(QMenu* menu, int row);
  void ShowContextMenu(const QPoint& position);
  void ToggleTextOption(bool TChartTextOptions::*option);

  const TStatisticsMenuDeps deps_;
  TStatsPanel& panel_;
  TChartKind focused_ = TChartKind::kFiles;  // the chart that last had the focus
  QMenu* before_ = nullptr;
  QAction* tile_cells_;
  QAction* legends_;
  QAction* files_;
  QAction* sizes_;
  QAction* charts_;
  // The panel's two charts, files then sizes.
  const QWidget* const chart_views_[2];
  const std::unique_ptr<QMenu> columns_;
  const std::unique_ptr<QMenu> mirrors_;
  QAction* volume_labels_;
  QAction* units_;
  QAction* bytes_;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_STATISTICS_MENU_H_
