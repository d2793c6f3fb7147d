#ifndef QUORVANE_UI_STATS_PANEL_CHART_MODEL_H_
#define QUORVANE_UI_STATS_PANEL_CHART_MODEL_H_

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <vector>

#include "stats/chart_values.h"

namespace qv {

struct TDiskInfo;
class TMirrorInfo;

// What the bar painter needs of one cell (TChartModel::kBarRole): the
// segments to draw left to right, only those of shown columns, each
// value / scale * cell width long. No bar: parts is empty.
struct TChartBar {
  std::vector<TBarPart> parts;
  int64_t scale = 1;
};

// One statistics grid (numbers of files, or sizes) as a table model over
// TChartValues: ChartRowCount(mirrors) rows and kChartColumns columns, row 0
// the column titles and column 0 the row titles, as the cells themselves (the
// views hide their headers; headerData answers the column titles all the
// same, for the header that lays out the columns).
//
// Roles: DisplayRole the cell's text (a row title unfitted; "Waiting...",
// "Error"); ToolTipRole the full row title in column 0; kBarRole a TChartBar
// (invalid while charts are off or the cell has no bar); kRowTitleRole the
// TRowTitle of column 0, for fitting it to the column's width;
// TextAlignmentRole titles left, numbers right.
//
// The panel sets the mirrors at each load and passes on the news: SetCounters
// and SetDriveInfo announce the rows they changed through dataChanged. It
// also tells the model which mirrors and columns it shows: the bar scale
// counts only shown cells, and a total stacks only its shown parts; hiding
// the rows and columns in the view (setRowHidden, setColumnHidden) stays the
// panel's. When the scale changes, scaleChanged() is emitted and every bar is
// announced.
//
// Threads: the main thread.
class TChartModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Role : int { kBarRole = Qt::UserRole + 1, kRowTitleRole };

  explicit TChartModel(TChartKind kind, QObject* parent = nullptr);

  TChartKind kind() const { return values_.kind(); }
  const TChartValues& values() const { return values_; }

  // A new list of mirrors (the statistics loaded): resets the model and shows
  // every mirror; the shown columns stay.
  void SetMirrors(std::vector<TChartMirror> mirrors);
  // Mirror m's counters changed; false (nothing changes) when there is no
  // mirror m.
  bool SetCounters(int m, const TMirrorInfo& info);
  // A drive answered: every row on info.drive changes.
  void SetDriveInfo(const TDiskInfo& info);

  // The menu switches "Size in &Units", "Size in &Bytes" and the grid's
  // volume labels.
  const TChartTextOptions& text_options() const { return text_options_; }
  void SetTextOptions(const TChartTextOptions& options);
  // "Charts": bars drawn (true at first).
  bool charts() const { return charts_; }
  void SetCharts(bool charts);
  // Shown columns start as ChartColumnShownAtFirst says; column 0 is always
  // shown. Mirrors start shown; a hidden mirror hides its 7 rows.
  bool column_shown(int column) const;
  void SetColumnShown(int column, bool shown);
  bool mirror_shown(int m) const;
  void SetMirrorShown(int m, bool shown);
  // Whether the panel shows row (row 0 always).
  bool row_shown(int row) const;

  // The value a full-width bar stands for, over the shown cells.
  int64_t scale() const { return scale_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  void scaleChanged(qint64 scale);

 private:
  QVariant BarData(int row, int column) const;
  void AnnounceRows(const std::vector<int>& rows);
  void AnnounceAll(const QList<int>& roles);
  // Recomputes the scale; on a change announces every bar and answers true.
  bool UpdateScale();

  TChartValues values_;
  TChartTextOptions text_options_;
  bool charts_ = true;
  std::array<bool, kChartColumns> column_shown_{};
  std::vector<bool> mirror_shown_;
  int64_t scale_ = 1;
};

}  // namespace qv

Q_DECLARE_METATYPE(qv::TChartBar)
Q_DECLARE_METATYPE(qv::TRowTitle)

#endif  // QUORVANE_UI_STATS_PANEL_CHART_MODEL_H_
