#ifndef QUORVANE_UI_LOGIC_AXIS_TICKS_H_
#define QUORVANE_UI_LOGIC_AXIS_TICKS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "stats/chart_values.h"

namespace qv {

// One mark of a chart's axis: where it stands as a share of the bar width,
// and its label ("" for none).
struct TAxisTick {
  double fraction = 0;
  std::string text;
  bool operator==(const TAxisTick&) const = default;
};

// The marks under each bar column: 0, half the scale and the scale, labelled
// as the grid writes its numbers (thousands separators; sizes in units, "512
// MB"). Half of an odd scale is no whole number of files or bytes, so that
// mark stays unlabelled.
std::vector<TAxisTick> AxisTicks(TChartKind kind, int64_t scale);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_AXIS_TICKS_H_
