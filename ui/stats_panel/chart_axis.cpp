#include "ui/stats_panel/chart_axis.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <cmath>

#include "ui/logic/axis_ticks.h"
#include "ui/stats_panel/chart_model.h"

namespace qv {
namespace {

constexpr int kTickLength = 4;

}  // namespace

TChartAxis::TChartAxis(const QTableView& view, const TChartModel& model, QWidget* parent)
    : QWidget(parent), view_(view), model_(model) {
  const QHeaderView* header = view.horizontalHeader();
  const auto repaint = [this] { update(); };
  connect(header, &QHeaderView::sectionResized, this, repaint);
  connect(header, &QHeaderView::sectionMoved, this, repaint);
  connect(header, &QHeaderView::geometriesChanged, this, repaint);
  connect(view.horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
  connect(&model, &TChartModel::scaleChanged, this, repaint);
  connect(&model, &TChartModel::dataChanged, this, repaint);  // "Charts" switched
  connect(&model, &TChartModel::modelReset, this, repaint);
}

std::vector<TChartAxis::TSpan> TChartAxis::Spans() const {
  const QHeaderView* header = view_.horizontalHeader();
  const int origin = mapFromGlobal(view_.viewport()->mapToGlobal(QPoint(0, 0))).x();
  // The cells leave their last pixel to the grid line.
  const int grid = view_.showGrid() ? 1 : 0;
  std::vector<TSpan> spans;
  for (int column = 1; column < header->count(); ++column) {
    const int width = header->sectionSize(column) - grid;
    if (header->isSectionHidden(column) || width <= 0) continue;
    spans.push_back({column, origin + header->sectionViewportPosition(column), width});
  }
  std::sort(spans.begin(), spans.end(),
            [](const TSpan& a, const TSpan& b) { return a.left < b.left; });
  return spans;
}

QSize TChartAxis::sizeHint() const {
  return {0, kTickLength + fontMetrics().height() + 2};
}

void TChartAxis::paintEvent(QPaintEvent* /*event*/) {
  if (!model_.charts()) return;
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const QFontMetrics metrics = fontMetrics();
  const std::vector<TAxisTick> ticks = AxisTicks(model_.kind(), model_.scale());
  for (const TSpan& span : Spans()) {
    const int right = span.left + span.width - 1;
    painter.drawLine(span.left, 0, right, 0);
    for (const TAxisTick& tick : ticks) {
      const int x = span.left + static_cast<int>(std::lround(tick.fraction * (span.width - 1)));
      painter.drawLine(x, 0, x, kTickLength);
      // Labels stay inside their column: the first starts at its mark, the
      // last ends at it.
      const QString text = QString::fromStdString(tick.text);
      const int text_width = metrics.horizontalAdvance(text);
      const int text_left = std::max(span.left, std::min(x - text_width / 2, right - text_width));
      painter.drawText(text_left, kTickLength + 1 + metrics.ascent(), text);
    }
  }
}

}  // namespace qv
