#include "ui/stats_panel/bar_delegate.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "stats/chart_scale.h"
#include "stats/row_title.h"
#include "ui/stats_panel/chart_colours.h"
#include "ui/stats_panel/chart_model.h"

namespace qv {
namespace {

// The bar leaves this share of the row's height free above and below, so
// that a selected cell still shows it is selected.
constexpr int kBarInsetDivisor = 6;

QString CellText(const QStyleOptionViewItem& option, const QModelIndex& index, int width) {
  const QVariant title = index.data(TChartModel::kRowTitleRole);
  if (!title.canConvert<TRowTitle>()) return option.text;
  const QFontMetrics& metrics = option.fontMetrics;
  return QString::fromStdString(
      FitRowTitle(title.value<TRowTitle>(), width, [&metrics](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromStdString(text));
      }));
}

}  // namespace

void TBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  const QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &cell, cell.widget) + 1;
  const QRect text_rect = cell.rect.adjusted(margin, 0, -margin, 0);
  const QString text = CellText(cell, index, text_rect.width());
  cell.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
  PaintBar(painter, cell, index);

  const bool selected = cell.state.testFlag(QStyle::State_Selected);
  const QPalette::ColorGroup group =
      cell.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  painter->save();
  painter->setPen(cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(text_rect, static_cast<int>(cell.displayAlignment), text);
  painter->restore();
}

void TBarDelegate::PaintBar(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const QVariant data = index.data(TChartModel::kBarRole);
  if (!data.canConvert<TChartBar>()) return;
  const TChartBar bar = data.value<TChartBar>();
  const QRect& rect = option.rect;
  const int inset = rect.height() / kBarInsetDivisor;
  double done = 0;  // share of the width the parts so far took
  int left = rect.left();
  for (const TBarPart& part : bar.parts) {
    done = std::min(1.0, done + BarFraction(part.value, bar.scale));
    const int right = rect.left() + static_cast<int>(std::lround(done * rect.width()));
    painter->fillRect(QRect(left, rect.top() + inset, right - left, rect.height() - 2 * inset),
                      ChartSeriesColour(kind_, part.column, option.palette));
    left = right;
  }
}

}  // namespace qv
