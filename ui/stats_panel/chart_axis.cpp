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
// Keeps the last label of a column off the first of the next.
constexpr int kLabelMargin = 6;

// Where a label under the mark at x goes: centred on it, but inside its
// column, so that the first starts at its mark and the last ends at it.
QRect LabelRect(const QFontMetrics& metrics, const QString& text, int x, int left, int right) {
  const int width = metrics.horizontalAdvance(text);
  const int at = std::max(left, std::min(x - width / 2, right - kLabelMargin - width));
  return {at, kTickLength + 1, width, metrics.height()};
}

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
    const int width = header->sectionSize(column) - grid;  // 0 when hidden
    if (width <= 0) continue;
    spans.push_back({column, origin + header->sectionViewportPosition(column), width});
  }
  std::sort(spans.begin(), spans.end(),
            [](const TSpan& a, const TSpan& b) { return a.left < b.left; });
  return spans;
}

QSize TChartAxis::sizeHint() const { return {0, kTickLength + fontMetrics().height() + 2}; }

void TChartAxis::paintEvent(QPaintEvent* /*event*/) {
  if (!model_.charts()) return;
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const std::vector<TAxisTick> ticks = AxisTicks(model_.kind(), model_.scale());
  for (const TSpan& span : Spans()) PaintSpan(painter, span, ticks);
}

void TChartAxis::PaintSpan(QPainter& painter, const TSpan& span,
                           const std::vector<TAxisTick>& ticks) const {
  const QFontMetrics metrics = fontMetrics();
  const int right = span.left + span.width - 1;
  painter.drawLine(span.left, 0, right, 0);
  std::vector<QRect> labels;
  for (const TAxisTick& tick : ticks) {
    const int x = span.left + static_cast<int>(std::lround(tick.fraction * (span.width - 1)));
    painter.drawLine(x, 0, x, kTickLength);
    labels.push_back(LabelRect(metrics, QString::fromStdString(tick.text), x, span.left, right));
  }
  // In a narrow column the first label stays; a later one that would touch
  // it or the last goes.
  const int gap = metrics.horizontalAdvance(QLatin1Char(' '));
  const auto apart = [gap](const QRect& a, const QRect& b) { return a.right() + gap < b.left(); };
  const QRect& first = labels.front();
  const QRect& last = labels.back();
  for (size_t i = 0; i < labels.size(); ++i) {
    const bool shown =
        i == 0 || (i + 1 == labels.size() ? apart(first, last)
                                          : apart(first, labels[i]) && apart(labels[i], last));
    if (shown) {
      painter.drawText(labels[i], Qt::AlignLeft | Qt::AlignTop,
                       QString::fromStdString(ticks[i].text));
    }
  }
}

}  // namespace qv
