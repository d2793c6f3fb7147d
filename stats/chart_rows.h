#ifndef QUORVANE_STATS_CHART_ROWS_H_
#define QUORVANE_STATS_CHART_ROWS_H_

namespace qv {

// Rows of the two statistics grids. Row 0 holds the column titles; mirror m
// (configuration order, 0-based) owns rows 7m+1 to 7m+7, of which 7m+1 (its
// source), 7m+3 (its destination) and 7m+5 (the archive in the file-count
// grid, the compressed sizes in the sizes grid) carry data; the others space
// the mirrors apart, but for 7m+6, whose title tells how the mirror's last
// scan ended. The last mirror's row 7m+7 lies past the end.
inline constexpr int kChartRowsPerMirror = 7;

enum class TChartRowKind { kColumnTitles, kSource, kDestination, kArchive, kLastScan, kSpacing };

struct TChartRow {
  int mirror = -1;  // -1 for the column titles
  TChartRowKind kind = TChartRowKind::kColumnTitles;
  bool operator==(const TChartRow&) const = default;
};

// 7 rows per mirror, at least 2, so that an empty grid still shows its titles.
int ChartRowCount(int mirrors);
// The row of a mirror's source, destination or archive; -1 for other kinds.
int ChartRowOf(int mirror, TChartRowKind kind);
// Which mirror a row belongs to and what it shows.
TChartRow ChartRowAt(int row);

}  // namespace qv

#endif  // QUORVANE_STATS_CHART_ROWS_H_
