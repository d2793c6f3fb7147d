#include "stats/chart_rows.h"

#include <algorithm>

namespace qv {

int ChartRowCount(int mirrors) { return std::max(2, kChartRowsPerMirror * mirrors); }

int ChartRowOf(int mirror, TChartRowKind kind) {
  const int first = kChartRowsPerMirror * mirror + 1;
  switch (kind) {
    case TChartRowKind::kSource:
      return first;
    case TChartRowKind::kDestination:
      return first + 2;
    case TChartRowKind::kArchive:
      return first + 4;
    case TChartRowKind::kLastScan:
      return first + 5;
    default:
      return -1;
  }
}

TChartRow ChartRowAt(int row) {
  if (row <= 0) return {};
  const int mirror = (row - 1) / kChartRowsPerMirror;
  switch ((row - 1) % kChartRowsPerMirror) {
    case 0:
      return {mirror, TChartRowKind::kSource};
    case 2:
      return {mirror, TChartRowKind::kDestination};
    case 4:
      return {mirror, TChartRowKind::kArchive};
    case 5:
      return {mirror, TChartRowKind::kLastScan};
    default:
      return {mirror, TChartRowKind::kSpacing};
  }
}

}  // namespace qv
