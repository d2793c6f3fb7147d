#ifndef QUORVANE_UI_STATS_PANEL_CHART_AXIS_H_
#define QUORVANE_UI_STATS_PANEL_CHART_AXIS_H_

#include <QWidget>
#include <vector>

#include "ui/logic/axis_ticks.h"

class QPainter;
class QTableView;

namespace qv {

class TChartModel;

// The scale under a chart grid: below each shown bar column (1 to 6) a line
// as wide as the column's bars with marks at 0, half the scale and the scale
// (AxisTicks). It follows the view's columns: resized, moved, hidden and
// scrolled; and the model's scale and "Charts" (nothing drawn while off).
// Place it right below the view; view and model must outlive it.
//
// Threads: the main thread.
class TChartAxis : public QWidget {
  Q_OBJECT

 public:
  TChartAxis(const QTableView& view, const TChartModel& model, QWidget* parent = nullptr);

  // Where the bars of each shown bar column lie, in the axis' coordinates,
  // left to right: as wide as the cells the delegate paints.
  struct TSpan {
    int column;
    int left;
    int width;
  };
  std::vector<TSpan> Spans() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintSpan(QPainter& painter, const TSpan& span, const std::vector<TAxisTick>& ticks) const;

  const QTableView& view_;
  const TChartModel& model_;
};

}  // namespace qv

#endif  // QUORVANE_UI_STATS_PANEL_CHART_AXIS_H_
