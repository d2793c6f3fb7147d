#ifndef QUORVANE_UI_STATS_PANEL_BAR_DELEGATE_H_
#define QUORVANE_UI_STATS_PANEL_BAR_DELEGATE_H_

#include <QStyledItemDelegate>

#include "stats/chart_values.h"

namespace qv {

// Paints a cell of a TChartModel: the selection, then the cell's bar from
// TChartModel::kBarRole (its parts side by side from the left edge, each
// value / scale * the cell's width long, in ChartSeriesColour), then the
// text over it. Row titles (TChartModel::kRowTitleRole) are fitted to the
// cell's width by FitRowTitle. A cell without a bar (charts off, a value of
// 0 or a stale remainder below zero) shows its text alone.
class TBarDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit TBarDelegate(TChartKind kind, QObject* parent = nullptr)
      : QStyledItemDelegate(parent), kind_(kind) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  void PaintBar(QPainter* painter, const QStyleOptionViewItem& option,
                const QModelIndex& index) const;

  TChartKind kind_;
};

}  // namespace qv

#endif  // QUORVANE_UI_STATS_PANEL_BAR_DELEGATE_H_
