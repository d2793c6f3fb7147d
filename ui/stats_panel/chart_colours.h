#ifndef QUORVANE_UI_STATS_PANEL_CHART_COLOURS_H_
#define QUORVANE_UI_STATS_PANEL_CHART_COLOURS_H_

#include <QColor>

#include "stats/chart_values.h"

class QPalette;

namespace qv {

// The colour of a grid's series (column 1 to 6): its bar segments and its
// legend entry. Each series keeps its hue; the lightness follows the palette,
// light tones behind dark text and dark tones behind light text, so that the
// numbers drawn over a bar stay readable in light and dark themes. Invalid
// for column 0.
QColor ChartSeriesColour(TChartKind kind, int column, const QPalette& palette);

}  // namespace qv

#endif  // QUORVANE_UI_STATS_PANEL_CHART_COLOURS_H_
