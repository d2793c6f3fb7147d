#include "ui/stats_panel/chart_model.h"

#include <utility>

#include "archive/disk_info_query.h"
#include "stats/chart_rows.h"
#include "stats/mirror_info.h"

namespace qv {

TChartModel::TChartModel(TChartKind kind, QObject* parent)
    : QAbstractTableModel(parent), values_(kind) {
  for (int column = 0; column < kChartColumns; ++column) {
    column_shown_[static_cast<size_t>(column)] = ChartColumnShownAtFirst(kind, column);
  }
}

void TChartModel::SetMirrors(std::vector<TChartMirror> mirrors) {
  beginResetModel();
  mirror_shown_.assign(mirrors.size(), true);
  values_.mirrors() = std::move(mirrors);
  endResetModel();
  UpdateScale();
}

bool TChartModel::SetCounters(int m, const TMirrorInfo& info) {
  if (m < 0 || m >= static_cast<int>(values_.mirrors().size())) return false;
  values_.SetCounters(m, info);
  AnnounceRows({ChartRowOf(m, TChartRowKind::kSource), ChartRowOf(m, TChartRowKind::kDestination),
                ChartRowOf(m, TChartRowKind::kArchive), ChartRowOf(m, TChartRowKind::kLastScan)});
  UpdateScale();
  return true;
}

void TChartModel::SetDriveInfo(const TDiskInfo& info) {
  AnnounceRows(values_.SetDriveInfo(info.drive, info.label, info.free_bytes, info.total_bytes));
  UpdateScale();
}

void TChartModel::SetTextOptions(const TChartTextOptions& options) {
  text_options_ = options;
  AnnounceAll({Qt::DisplayRole, Qt::ToolTipRole, kRowTitleRole});
}

void TChartModel::SetCharts(bool charts) {
  if (charts_ == charts) return;
  charts_ = charts;
  AnnounceAll({kBarRole});
}

bool TChartModel::column_shown(int column) const {
  return column == 0 ||
         (column > 0 && column < kChartColumns && column_shown_[static_cast<size_t>(column)]);
}

void TChartModel::SetColumnShown(int column, bool shown) {
  if (column <= 0 || column >= kChartColumns) return;
  column_shown_[static_cast<size_t>(column)] = shown;
  // Totals stack only their shown parts.
  if (!UpdateScale()) AnnounceAll({kBarRole});
}

bool TChartModel::mirror_shown(int m) const {
  return m >= 0 && m < static_cast<int>(mirror_shown_.size()) &&
         mirror_shown_[static_cast<size_t>(m)];
}

void TChartModel::SetMirrorShown(int m, bool shown) {
  if (m < 0 || m >= static_cast<int>(mirror_shown_.size())) return;
  mirror_shown_[static_cast<size_t>(m)] = shown;
  UpdateScale();
}

bool TChartModel::row_shown(int row) const {
  const TChartRow at = ChartRowAt(row);
  return at.kind == TChartRowKind::kColumnTitles || mirror_shown(at.mirror);
}

int TChartModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : values_.RowCount();
}

int TChartModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kChartColumns;
}

QVariant TChartModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  const int row = index.row();
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(values_.Cell(row, column, text_options_).text);
    case Qt::ToolTipRole:
    case kRowTitleRole: {
      if (column != 0 || row == 0) return {};
      const TRowTitle title = values_.RowTitle(row, text_options_.volume_labels);
      if (role == kRowTitleRole) return QVariant::fromValue(title);
      return title.text.empty() ? QVariant() : QString::fromStdString(title.Full());
    }
    case Qt::TextAlignmentRole:
      return static_cast<int>(Qt::AlignVCenter |
                              (row == 0 || column == 0 ? Qt::AlignLeft : Qt::AlignRight));
    case kBarRole:
      return BarData(row, column);
    default:
      return {};
  }
}

QVariant TChartModel::BarData(int row, int column) const {
  if (!charts_ || column == 0 || row == 0) return {};
  TChartBar bar;
  bar.scale = scale_;
  for (const TBarPart& part : values_.Cell(row, column, text_options_).bar) {
    if (column_shown(part.column)) bar.parts.push_back(part);
  }
  if (bar.parts.empty()) return {};
  return QVariant::fromValue(bar);
}

QVariant TChartModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kChartColumns) {
    return {};
  }
  return QString::fromStdString(ChartColumnTitle(kind(), section));
}

Qt::ItemFlags TChartModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TChartModel::AnnounceRows(const std::vector<int>& rows) {
  for (const int row : rows) {
    emit dataChanged(index(row, 0), index(row, kChartColumns - 1));
  }
}

void TChartModel::AnnounceAll(const QList<int>& roles) {
  emit dataChanged(index(0, 0), index(rowCount() - 1, kChartColumns - 1), roles);
}

bool TChartModel::UpdateScale() {
  const int64_t scale = values_.Scale([this](int row) { return row_shown(row); },
                                      [this](int column) { return column_shown(column); });
  if (scale == scale_) return false;
  scale_ = scale;
  AnnounceAll({kBarRole});
  emit scaleChanged(scale_);
  return true;
}

}  // namespace qv
