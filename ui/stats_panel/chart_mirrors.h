#ifndef QUORVANE_UI_STATS_PANEL_CHART_MIRRORS_H_
#define QUORVANE_UI_STATS_PANEL_CHART_MIRRORS_H_

#include <vector>

#include "stats/chart_values.h"

namespace qv {

class Platform;
class TMappings;
class TQVIniFile;

// The mirrors of a statistics load, in configuration order: each mapping's
// stored counters and "Enabled", without asking any drive. The drive of a
// source or destination is the folder itself: finding its mount point here
// could block on a dead mount, so the drive query (on its own thread) asks
// the folder, whose volume answers.
std::vector<TChartMirror> ChartMirrorsOf(const TMappings& mappings, TQVIniFile& ini,
                                         Platform& platform);

}  // namespace qv

#endif  // QUORVANE_UI_STATS_PANEL_CHART_MIRRORS_H_
