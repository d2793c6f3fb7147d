#include "stats/chart_values.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <span>

#include "filesys/text_format.h"
#include "stats/chart_scale.h"

namespace qv {
namespace {

struct TColumnTexts {
  const char* title;
  const char* legend;
  bool shown_at_first;
};

constexpr std::array<TColumnTexts, kChartColumns> kFilesColumns = {{
    {"Number of files", "", true},
    {"Files", "Files", true},
    {"Dirs", "Directories", true},
    {"Total mirror", "Total mirror", true},
    {"Ex. files", "Excluded files", false},
    {"Ex. dirs", "Excluded dirs", false},
    {"Total found", "Total found", false},
}};
constexpr std::array<TColumnTexts, kChartColumns> kSizesColumns = {{
    {"Size", "", true},
    {"Files", "Size files", true},
    {"Archive", "Size archive", true},
    {"Excluded", "Size excluded", false},
    {"Remainder", "Size remainder", false},
    {"Free", "Free bytes", true},
    {"Drive", "Size drive", true},
}};

const TColumnTexts& ColumnTexts(TChartKind kind, int column) {
  const auto& columns = kind == TChartKind::kFiles ? kFilesColumns : kSizesColumns;
  return columns.at(static_cast<size_t>(column));
}

constexpr std::array<int, 5> kDriveParts = {kSizesColumnFiles, kSizesColumnArchive,
                                            kSizesColumnExcluded, kSizesColumnRemainder,
                                            kSizesColumnFree};
constexpr std::array<int, 2> kMirrorParts = {kFilesColumnFiles, kFilesColumnDirs};
constexpr std::array<int, 4> kFoundParts = {kFilesColumnFiles, kFilesColumnDirs,
                                            kFilesColumnExFiles, kFilesColumnExDirs};

// The parts a total stacks; none for a series.
std::span<const int> PartsOf(TChartKind kind, int column) {
  if (kind == TChartKind::kSizes) {
    return column == kSizesColumnDrive ? std::span<const int>(kDriveParts) : std::span<const int>();
  }
  if (column == kFilesColumnTotalMirror) return kMirrorParts;
  if (column == kFilesColumnTotalFound) return kFoundParts;
  return {};
}

// Stored values may be arbitrary; sums wrap as the counters do instead of
// overflowing.
int64_t WrapSum(std::initializer_list<int64_t> values) {
  uint64_t sum = 0;
  for (const int64_t value : values) sum += static_cast<uint64_t>(value);
  return static_cast<int64_t>(sum);
}

TChartCellState DriveState(int64_t value) {
  if (value == kDriveNotQueried) return TChartCellState::kWaiting;
  return value < 0 ? TChartCellState::kError : TChartCellState::kValue;
}

int64_t DriveValue(int64_t value) {
  return value < 0 && value != kDriveNotQueried ? kDriveQueryFailed : value;
}

}  // namespace

std::string ChartColumnTitle(TChartKind kind, int column) {
  return ColumnTexts(kind, column).title;
}

std::string ChartLegendText(TChartKind kind, int column) {
  return ColumnTexts(kind, column).legend;
}

bool ChartColumnShownAtFirst(TChartKind kind, int column) {
  return ColumnTexts(kind, column).shown_at_first;
}

bool IsChartTotal(TChartKind kind, int column) { return !PartsOf(kind, column).empty(); }

TChartMirror ChartMirrorOf(const TMirrorInfo& info) {
  TChartMirror mirror;
  mirror.source_dir = info.source_dir();
  mirror.destination_dir = info.destination_dir();
  mirror.source = info.source().Get();
  mirror.source_excluded = info.source_excluded().Get();
  mirror.destination = info.destination().Get();
  mirror.destination_excluded = info.destination_excluded().Get();
  mirror.archive = info.archive().Get();
  mirror.source_free = info.source_free();
  mirror.source_total = info.source_total();
  mirror.destination_free = info.destination_free();
  mirror.destination_total = info.destination_total();
  mirror.enabled = info.enabled();
  mirror.last_scan_when = info.last_scan().first;
  mirror.last_scan = info.last_scan().second;
  return mirror;
}

std::string ChartValueText(TChartKind kind, int64_t value, const TChartTextOptions& options) {
  if (kind == TChartKind::kFiles) return ThousandsText(value);
  if (!options.units && !options.bytes) return "";
  if (value == 0) return "0";
  if (!options.units) return ThousandsText(value);
  std::string text = SizeText(value, 1);
  constexpr int64_t kKilo = 1024;
  if (options.bytes && (value >= kKilo || value <= -kKilo))
    text += " (" + ThousandsText(value) + ")";
  return text;
}

void TChartValues::SetCounters(int m, const TMirrorInfo& info) {
  TChartMirror& mirror = mirrors_.at(static_cast<size_t>(m));
  const TChartMirror loaded = ChartMirrorOf(info);
  mirror.source = loaded.source;
  mirror.source_excluded = loaded.source_excluded;
  mirror.destination = loaded.destination;
  mirror.destination_excluded = loaded.destination_excluded;
  mirror.archive = loaded.archive;
  mirror.enabled = loaded.enabled;
  // A running mirror has no last scan of its own yet: the stored one stays.
  if (!loaded.last_scan.empty()) {
    mirror.last_scan_when = loaded.last_scan_when;
    mirror.last_scan = loaded.last_scan;
  }
}

std::vector<int> TChartValues::SetDriveInfo(const std::string& drive, const std::string& label,
                                            int64_t free_bytes, int64_t total_bytes) {
  std::vector<int> rows;
  const int64_t free_value = free_bytes < 0 ? kDriveQueryFailed : free_bytes;
  const int64_t total_value = total_bytes < 0 ? kDriveQueryFailed : total_bytes;
  for (size_t m = 0; m < mirrors_.size(); ++m) {
    TChartMirror& mirror = mirrors_[m];
    const int index = static_cast<int>(m);
    if (mirror.source_drive == drive) {
      mirror.source_label = label;
      mirror.source_free = free_value;
      mirror.source_total = total_value;
      rows.push_back(ChartRowOf(index, TChartRowKind::kSource));
    }
    if (mirror.destination_drive == drive) {
      mirror.destination_label = label;
      mirror.destination_free = free_value;
      mirror.destination_total = total_value;
      rows.push_back(ChartRowOf(index, TChartRowKind::kDestination));
      rows.push_back(ChartRowOf(index, TChartRowKind::kArchive));
    }
  }
  return rows;
}

TRowTitle TChartValues::RowTitle(int row, bool volume_labels) const {
  const TChartRow at = ChartRowAt(row);
  if (at.mirror < 0 || at.mirror >= static_cast<int>(mirrors_.size())) return {};
  const TChartMirror& mirror = mirrors_[static_cast<size_t>(at.mirror)];
  switch (at.kind) {
    case TChartRowKind::kSource:
      return {volume_labels ? mirror.source_label : "", mirror.source_dir};
    case TChartRowKind::kDestination:
      return {volume_labels ? mirror.destination_label : "", mirror.destination_dir};
    case TChartRowKind::kArchive:
      return {"", kind_ == TChartKind::kFiles ? "Archive" : "Compressed"};
    case TChartRowKind::kLastScan:
      return {mirror.last_scan_when, mirror.last_scan};
    default:
      return {};
  }
}

TChartValues::TRowValues TChartValues::ValuesOf(const TChartRow& row) const {
  TRowValues values;
  values.state.fill(TChartCellState::kEmpty);
  if (row.mirror < 0 || row.mirror >= static_cast<int>(mirrors_.size()) ||
      row.kind == TChartRowKind::kSpacing || row.kind == TChartRowKind::kColumnTitles ||
      row.kind == TChartRowKind::kLastScan) {
    return values;
  }
  const TChartMirror& m = mirrors_[static_cast<size_t>(row.mirror)];
  auto& v = values.value;
  const auto set = [&values](int column, int64_t value) {
    values.value[static_cast<size_t>(column)] = value;
    values.state[static_cast<size_t>(column)] = TChartCellState::kValue;
  };
  const bool source = row.kind == TChartRowKind::kSource;
  if (kind_ == TChartKind::kFiles) {
    const bool archive = row.kind == TChartRowKind::kArchive;
    const TCounts& in = source ? m.source : archive ? m.archive : m.destination;
    set(kFilesColumnFiles, in.files);
    set(kFilesColumnDirs, in.dirs);
    set(kFilesColumnTotalMirror, WrapSum({in.files, in.dirs}));
    set(kFilesColumnTotalFound, v[kFilesColumnTotalMirror]);
    if (archive) return values;  // the archive has no excluded items
    const TCounts& ex = source ? m.source_excluded : m.destination_excluded;
    set(kFilesColumnExFiles, ex.files);
    set(kFilesColumnExDirs, ex.dirs);
    set(kFilesColumnTotalFound, WrapSum({in.files, in.dirs, ex.files, ex.dirs}));
    return values;
  }
  const bool compressed = row.kind == TChartRowKind::kArchive;
  const auto size = [compressed](const TCounts& c) {
    return compressed ? c.compressed_size : c.size;
  };
  set(kSizesColumnFiles, size(source ? m.source : m.destination));
  if (!source) set(kSizesColumnArchive, size(m.archive));
  set(kSizesColumnExcluded, size(source ? m.source_excluded : m.destination_excluded));
  const int64_t free = DriveValue(source ? m.source_free : m.destination_free);
  const int64_t total = DriveValue(source ? m.source_total : m.destination_total);
  v[kSizesColumnFree] = free;
  values.state[kSizesColumnFree] = DriveState(free);
  v[kSizesColumnDrive] = total;
  values.state[kSizesColumnDrive] = DriveState(total);
  // Until both drive values are known the remainder carries the missing one.
  const int64_t missing = total < 0 ? total : free;
  if (missing < 0) {
    v[kSizesColumnRemainder] = missing;
    values.state[kSizesColumnRemainder] = DriveState(missing);
  } else {
    set(kSizesColumnRemainder, WrapSum({total, -free, -v[kSizesColumnFiles],
                                        -v[kSizesColumnArchive], -v[kSizesColumnExcluded]}));
  }
  return values;
}

std::vector<TBarPart> TChartValues::BarOf(const TRowValues& values, int column) const {
  const auto positive = [&values](int c) {
    return values.state[static_cast<size_t>(c)] == TChartCellState::kValue &&
           values.value[static_cast<size_t>(c)] > 0;
  };
  std::vector<TBarPart> bar;
  if (!positive(column)) return bar;
  if (!IsChartTotal(kind_, column)) return {{column, values.value[static_cast<size_t>(column)]}};
  for (const int part : PartsOf(kind_, column)) {
    if (positive(part)) bar.push_back({part, values.value[static_cast<size_t>(part)]});
  }
  return bar;
}

TChartCell TChartValues::Cell(int row, int column, const TChartTextOptions& options) const {
  TChartCell cell;
  if (row == 0) {
    cell.state = TChartCellState::kTitle;
    cell.text = ChartColumnTitle(kind_, column);
    return cell;
  }
  const TChartRow at = ChartRowAt(row);
  const TRowValues values = ValuesOf(at);
  if (column == 0) {
    cell.text = RowTitle(row, options.volume_labels).Full();
    if (!cell.text.empty()) cell.state = TChartCellState::kTitle;
    return cell;
  }
  const size_t index = static_cast<size_t>(column);
  cell.state = values.state.at(index);
  switch (cell.state) {
    case TChartCellState::kValue:
      cell.value = values.value[index];
      cell.text = ChartValueText(kind_, cell.value, options);
      cell.bar = BarOf(values, column);
      break;
    case TChartCellState::kWaiting:
      cell.text = "Waiting...";
      break;
    case TChartCellState::kError:
      cell.text = "Error";
      break;
    default:
      break;
  }
  return cell;
}

int64_t TChartValues::Scale(const std::function<bool(int row)>& row_shown,
                            const std::function<bool(int column)>& column_shown) const {
  int64_t largest = 0;
  for (int row = 1; row < RowCount(); ++row) {
    if (!row_shown(row)) continue;
    const TRowValues values = ValuesOf(ChartRowAt(row));
    for (int column = 1; column < kChartColumns; ++column) {
      const size_t index = static_cast<size_t>(column);
      if (column_shown(column) && values.state[index] == TChartCellState::kValue) {
        largest = std::max(largest, values.value[index]);
      }
    }
  }
  return kind_ == TChartKind::kFiles ? CountScale(largest) : SizeScale(largest);
}

}  // namespace qv
