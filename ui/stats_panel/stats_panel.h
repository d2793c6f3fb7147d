#ifndef QUORVANE_UI_STATS_PANEL_STATS_PANEL_H_
#define QUORVANE_UI_STATS_PANEL_STATS_PANEL_H_

#include <QWidget>
#include <chrono>
#include <memory>
#include <vector>

#include "stats/chart_values.h"
#include "ui/stats_panel/disk_info_worker.h"

class QTableView;
class QString;

namespace qv {

class Platform;
class TChartAxis;
class TChartModel;
class TCheckList;
class TMirrorInfo;
struct TDiskInfo;

// The statistics panel: left the control column with its three check lists
// (the grids with "Charts", the legends of both grids in their series'
// colours, the mirrors), then the file-count and the sizes grid, each a
// QTableView over its TChartModel, painted by a TBarDelegate, with a
// TChartAxis below. The check lists are the panel's state: the setters
// below set their marks, and a mark hides or shows in the model (for the
// scale and the stacked totals) and in the view alike.
//
// For the window: Load() at each statistics load (ChartMirrorsOf gives the
// mirrors), which also asks the drives through a TDiskInfoWorker and fills
// in their answers as they come; UpdateMirror() when a mirror's stored
// counters changed; SetRunning() from the update timer with the running
// mirror's live counters. The Edit menu asks FocusedChart() and
// HasSelectedCell() and calls Copy, CopyAll and SelectAll.
//
// Threads: the main thread.
class TStatsPanel : public QWidget {
  Q_OBJECT

 public:
  // Entries of the grids list.
  enum TGridEntry : int { kGridFiles, kGridSizes, kGridCharts };

  explicit TStatsPanel(std::shared_ptr<Platform> platform,
                       std::chrono::milliseconds drive_timeout = TDiskInfoWorker::kDefaultTimeout,
                       QWidget* parent = nullptr);
  ~TStatsPanel() override;

  // A new list of mirrors: every mirror shown, "Waiting..." in the drive
  // cells until the drives answer; answers of an earlier load are dropped.
  void Load(std::vector<TChartMirror> mirrors);
  // New stored counters of the mirror whose destination info names; asks its
  // drives again. False, and nothing changes, for a mirror not in the panel.
  bool UpdateMirror(const TMirrorInfo& info);
  // The running mirror's live counters (TMirrorInfo::SetRunning); its drive
  // values stay. False for a mirror not in the panel.
  bool SetRunning(const TMirrorInfo& info);

  // The switches of the Statistics menu.
  bool grid_shown(TChartKind kind) const;
  void SetGridShown(TChartKind kind, bool shown);
  bool charts() const;
  void SetCharts(bool charts);
  bool column_shown(TChartKind kind, int column) const;
  void SetColumnShown(TChartKind kind, int column, bool shown);
  bool mirror_shown(int m) const;
  void SetMirrorShown(int m, bool shown);
  // Volume labels in front of the mirror list's sources.
  bool volume_labels() const { return volume_labels_; }
  void SetVolumeLabels(bool shown);
  void SetTextOptions(TChartKind kind, const TChartTextOptions& options);
  // "Tile cells": the columns of both grids share each grid's width.
  bool tile_cells() const;
  void SetTileCells(bool tile);

  // A column's width in its grid; 0 while it is hidden; -1 while no width
  // was chosen: the first load with mirrors fits the columns to their texts.
  int column_width(TChartKind kind, int column) const;
  // A hidden column keeps the width for when it is shown. Widths set before
  // the first load are kept by it.
  void SetColumnWidth(TChartKind kind, int column, int width);

  // The grid with the keyboard focus, or null.
  QTableView* FocusedChart() const;
  bool HasSelectedCell() const;
  // On the focused grid: the selected (or all shown) cells as text, columns
  // separated by tabs and rows by line ends, to the clipboard.
  void Copy() const;
  void CopyAll() const;
  void SelectAll();

  // The parts, for the layout and the tests.
  TChartModel& model(TChartKind kind) const;
  QTableView& view(TChartKind kind) const;
  TCheckList& grids_list() const { return *grids_; }
  TCheckList& legends_list() const { return *legends_; }
  TCheckList& mirrors_list() const { return *mirrors_; }
  TDiskInfoWorker& worker() const { return *worker_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  struct TGrid;

  void BuildControls();
  void BuildGrid(TGrid& grid);
  void ConnectRowHeights();
  int LegendRow(TChartKind kind, int column) const;
  // The legend swatches in the series' colours of the current palette.
  void ColourLegends();
  void LegendToggled(int row, bool checked);
  void MirrorToggled(int m, bool shown);
  void GridToggled(int entry, bool checked);
  void DriveAnswered(const TDiskInfo& info, quint64 generation);
  void UpdateMirrorList();
  void FitColumns(TGrid& grid);
  int MirrorOf(const TMirrorInfo& info) const;
  QString CellsText(const QTableView& view, bool selected_only) const;

  std::unique_ptr<TGrid> files_;
  std::unique_ptr<TGrid> sizes_;
  TCheckList* grids_ = nullptr;
  TCheckList* legends_ = nullptr;
  TCheckList* mirrors_ = nullptr;
  TDiskInfoWorker* worker_ = nullptr;
  bool volume_labels_ = true;
  bool widths_chosen_ = false;
};

}  // namespace qv

#endif  // QUORVANE_UI_STATS_PANEL_STATS_PANEL_H_
