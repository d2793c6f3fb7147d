#ifndef QUORVANE_STATS_CHART_VALUES_H_
#define QUORVANE_STATS_CHART_VALUES_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filesys/counts.h"
#include "stats/chart_rows.h"
#include "stats/mirror_info.h"
#include "stats/row_title.h"

namespace qv {

// The two statistics grids: numbers of files and directories, and sizes.
enum class TChartKind { kFiles, kSizes };

// Both grids have 7 columns: the row titles, then one series each.
inline constexpr int kChartColumns = 7;
enum TFilesColumn : int {
  kFilesColumnFiles = 1,
  kFilesColumnDirs,
  kFilesColumnTotalMirror,
  kFilesColumnExFiles,
  kFilesColumnExDirs,
  kFilesColumnTotalFound
};
enum TSizesColumn : int {
  kSizesColumnFiles = 1,
  kSizesColumnArchive,
  kSizesColumnExcluded,
  kSizesColumnRemainder,
  kSizesColumnFree,
  kSizesColumnDrive
};

// The column title in row 0 ("Number of files", "Files", ...).
std::string ChartColumnTitle(TChartKind kind, int column);
// The series' name in the legend ("Directories", "Size remainder"); "" for
// column 0.
std::string ChartLegendText(TChartKind kind, int column);
// Whether the column is shown before the user chose: "Files", "Dirs" and
// "Total mirror" of the file-count grid, "Files", "Archive", "Free" and
// "Drive" of the sizes grid (and the titles).
bool ChartColumnShownAtFirst(TChartKind kind, int column);
// Totals draw their parts stacked; the other series draw their own bar.
bool IsChartTotal(TChartKind kind, int column);

// One mirror as the grids show it: its stored (or live) counters and what
// the drives of its source and destination answered.
struct TChartMirror {
  std::string source_dir;
  std::string destination_dir;
  // The drives the source and destination lie on, as the drive queries name
  // them; filled by whoever asks the drives.
  std::string source_drive;
  std::string destination_drive;
  std::string source_label;  // volume labels, "" while unknown or none
  std::string destination_label;
  TCounts source;
  TCounts source_excluded;
  TCounts destination;
  TCounts destination_excluded;
  TCounts archive;
  int64_t source_free = kDriveNotQueried;  // or kDriveQueryFailed
  int64_t source_total = kDriveNotQueried;
  int64_t destination_free = kDriveNotQueried;
  int64_t destination_total = kDriveNotQueried;
  bool enabled = true;
  // TMirrorInfo::last_scan(): the time as the row title's label, which a
  // narrow column drops first, and the outcome.
  std::string last_scan_when;
  std::string last_scan;
};

// Copies the counters, drive values and "Enabled"; drives and labels stay "".
TChartMirror ChartMirrorOf(const TMirrorInfo& info);

// How the texts of the cells read: the menu switches "Size in &Units" and
// "Size in &Bytes" of the sizes grid, and whether row titles carry labels.
struct TChartTextOptions {
  bool units = true;
  bool bytes = false;
  bool volume_labels = true;
};

// One segment of a cell's bar: the series (column) it belongs to, whose
// colour it takes, and its value.
struct TBarPart {
  int column = 0;
  int64_t value = 0;
  bool operator==(const TBarPart&) const = default;
};

// What one cell shows.
enum class TChartCellState {
  kEmpty,    // spacing rows, the archive column of a source row
  kTitle,    // row 0 and column 0: text only
  kValue,    // a number
  kWaiting,  // a drive value not known yet: "Waiting..."
  kError,    // a drive that could not be asked: "Error"
};
struct TChartCell {
  TChartCellState state = TChartCellState::kEmpty;
  int64_t value = 0;  // kValue only; below zero when stored counters are stale
  std::string text;
  // The bar's segments, left to right; empty when no bar is drawn (no
  // number, a number of 0 or less). A total lists its parts that are above
  // zero, a series its own value. A painter skips the parts of hidden
  // columns and draws each part value / scale * cell width long.
  std::vector<TBarPart> bar;
};

// The values of one grid over a list of mirrors, cell by cell. A table model
// sets mirrors() when the statistics load, SetCounters and SetDriveInfo as
// news arrive, and answers each (row, column) from Cell: the text to show,
// the number behind it and the bar's parts; the bar painter scales them by
// Scale, computed once per repaint over the shown rows and columns.
//
// Threads: one at a time (the main thread).
class TChartValues {
 public:
  explicit TChartValues(TChartKind kind) : kind_(kind) {}

  TChartKind kind() const { return kind_; }
  std::vector<TChartMirror>& mirrors() { return mirrors_; }
  const std::vector<TChartMirror>& mirrors() const { return mirrors_; }
  int RowCount() const { return ChartRowCount(static_cast<int>(mirrors_.size())); }

  // New counters and "Enabled" for mirror m (its stored counters changed, or
  // it is running); what its drives answered stays until they answer again.
  void SetCounters(int m, const TMirrorInfo& info);
  // Sets the label and the free and total bytes (kDriveQueryFailed when
  // unknown) on every mirror whose source or destination lies on drive;
  // answers the rows whose cells changed, for the model to announce.
  std::vector<int> SetDriveInfo(const std::string& drive, const std::string& label,
                                int64_t free_bytes, int64_t total_bytes);

  TChartCell Cell(int row, int column, const TChartTextOptions& options) const;
  // The title of a row (column 0), before fitting.
  TRowTitle RowTitle(int row, bool volume_labels) const;
  // The grid's one bar scale: from the largest bar value in the rows and
  // columns that are shown (CountScale or SizeScale).
  int64_t Scale(const std::function<bool(int row)>& row_shown,
                const std::function<bool(int column)>& column_shown) const;

 private:
  // The cells of one row before their texts.
  struct TRowValues {
    std::array<int64_t, kChartColumns> value{};
    std::array<TChartCellState, kChartColumns> state{};
  };
  TRowValues ValuesOf(const TChartRow& row) const;
  std::vector<TBarPart> BarOf(const TRowValues& values, int column) const;

  TChartKind kind_;
  std::vector<TChartMirror> mirrors_;
};

// The text of a number in a cell: thousands separators in the file-count
// grid; in the sizes grid the size text with one decimal when options.units
// is on (with " (" + the bytes + ")" when options.bytes is on too and the
// text is not in bytes already), the bytes alone with only options.bytes,
// nothing with neither; 0 reads "0" whenever a text is shown.
std::string ChartValueText(TChartKind kind, int64_t value, const TChartTextOptions& options);

}  // namespace qv

#endif  // QUORVANE_STATS_CHART_VALUES_H_
