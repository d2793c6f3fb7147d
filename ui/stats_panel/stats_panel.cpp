#include "ui/stats_panel/stats_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "archive/disk_info_query.h"
#include "stats/chart_rows.h"
#include "stats/mirror_info.h"
#include "ui/stats_panel/bar_delegate.h"
#include "ui/stats_panel/chart_axis.h"
#include "ui/stats_panel/chart_colours.h"
#include "ui/stats_panel/chart_model.h"
#include "ui/stats_panel/check_lists.h"

namespace qv {
namespace {

// The strip left of each grid where the user drags row borders.
constexpr int kRowGripWidth = 6;
constexpr int kRowMargin = 8;
constexpr TChartKind kKinds[] = {TChartKind::kFiles, TChartKind::kSizes};
// Fitted widths: titles up to a long folder name; values with room for a bar.
constexpr int kMinTitleWidth = 80;
constexpr int kMaxTitleWidth = 180;
constexpr int kMinValueWidth = 80;
// Legend rows per grid: the series 1 to 6.
constexpr int kSeries = kChartColumns - 1;

}  // namespace

struct TStatsPanel::TGrid {
  explicit TGrid(TChartKind grid_kind) : kind(grid_kind) {}
  TChartKind kind;
  TChartModel* model = nullptr;
  QTableView* view = nullptr;
  QWidget* box = nullptr;  // view and axis
};

TStatsPanel::TStatsPanel(std::shared_ptr<Platform> platform,
                         std::chrono::milliseconds drive_timeout, QWidget* parent)
    : QWidget(parent),
      files_(std::make_unique<TGrid>(TChartKind::kFiles)),
      sizes_(std::make_unique<TGrid>(TChartKind::kSizes)),
      worker_(new TDiskInfoWorker(std::move(platform), drive_timeout, this)) {
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter);
  BuildControls();
  auto* controls = new QWidget(splitter);
  auto* column = new QVBoxLayout(controls);
  column->setContentsMargins(0, 0, 0, 0);
  for (TCheckList* list : {grids_, legends_, mirrors_}) column->addWidget(list);
  splitter->addWidget(controls);
  for (TGrid* grid : {files_.get(), sizes_.get()}) {
    BuildGrid(*grid);
    splitter->addWidget(grid->box);
  }
  // A wider panel widens the grids; the lists keep what their entries need.
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setStretchFactor(2, 1);
  ConnectRowHeights();
  connect(worker_, &TDiskInfoWorker::result, this, &TStatsPanel::DriveAnswered);
  Load({});
}

TStatsPanel::~TStatsPanel() = default;

void TStatsPanel::BuildControls() {
  grids_ = new TCheckList(this);
  grids_->AddEntry(QString::fromStdString(ChartColumnTitle(TChartKind::kFiles, 0)), true);
  grids_->AddEntry(QStringLiteral("Sizes"), true);
  grids_->AddEntry(QStringLiteral("Charts"), true);
  connect(grids_, &TCheckList::toggled, this, &TStatsPanel::GridToggled);

  legends_ = new TCheckList(this);
  for (const TChartKind kind : kKinds) {
    for (int column = 1; column < kChartColumns; ++column) {
      legends_->AddEntry(QString::fromStdString(ChartLegendText(kind, column)),
                         ChartColumnShownAtFirst(kind, column));
    }
  }
  ColourLegends();
  connect(legends_, &TCheckList::toggled, this, &TStatsPanel::LegendToggled);

  mirrors_ = new TCheckList(this);
  // The other lists have a fixed number of entries; mirrors may be many.
  mirrors_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  connect(mirrors_, &TCheckList::toggled, this, &TStatsPanel::MirrorToggled);
}

void TStatsPanel::BuildGrid(TGrid& grid) {
  grid.box = new QWidget(this);
  grid.model = new TChartModel(grid.kind, grid.box);
  grid.view = new QTableView(grid.box);
  grid.view->setModel(grid.model);
  grid.view->setItemDelegate(new TBarDelegate(grid.kind, grid.view));
  grid.view->horizontalHeader()->hide();
  QHeaderView* rows = grid.view->verticalHeader();
  rows->setFixedWidth(kRowGripWidth);
  rows->setSectionResizeMode(QHeaderView::Interactive);
  // A line of text and a margin: the style's default leaves the grids half empty.
  rows->setDefaultSectionSize(grid.view->fontMetrics().height() + kRowMargin);
  grid.view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid.view->setSelectionBehavior(QAbstractItemView::SelectItems);
  grid.view->setWordWrap(false);
  for (int column = 1; column < kChartColumns; ++column) {
    grid.view->setColumnHidden(column, !grid.model->column_shown(column));
  }
  auto* layout = new QVBoxLayout(grid.box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(grid.view);
  layout->addWidget(new TChartAxis(*grid.view, *grid.model, grid.box));
}

void TStatsPanel::ConnectRowHeights() {
  QHeaderView* files = files_->view->verticalHeader();
  QHeaderView* sizes = sizes_->view->verticalHeader();
  // Each follows the other; equal sizes end the echo. A size of 0 is a row
  // being hidden, which the other grid does itself: followed, the other
  // would remember 0 and show the row collapsed again.
  const auto follow = [](QHeaderView* to) {
    return [to](int row, int, int size) {
      if (size > 0 && to->sectionSize(row) != size && !to->isSectionHidden(row))
        to->resizeSection(row, size);
    };
  };
  connect(files, &QHeaderView::sectionResized, this, follow(sizes));
  connect(sizes, &QHeaderView::sectionResized, this, follow(files));
}

void TStatsPanel::Load(std::vector<TChartMirror> mirrors) {
  std::vector<std::string> drives;
  for (const TChartMirror& mirror : mirrors) {
    drives.push_back(mirror.source_drive);
    drives.push_back(mirror.destination_drive);
  }
  drives.erase(std::remove(drives.begin(), drives.end(), std::string()), drives.end());
  files_->model->SetMirrors(mirrors);
  sizes_->model->SetMirrors(std::move(mirrors));
  // The views keep hidden rows across a model reset; a load shows every mirror.
  for (TGrid* grid : {files_.get(), sizes_.get()}) {
    for (int row = 0; row < grid->model->rowCount(); ++row) grid->view->setRowHidden(row, false);
  }
  const QSignalBlocker blocker(mirrors_);
  mirrors_->clear();
  for (int m = 0; m < static_cast<int>(files_->model->values().mirrors().size()); ++m) {
    mirrors_->AddEntry({}, true);
  }
  UpdateMirrorList();
  if (!widths_chosen_ && files_->model->values().mirrors().size() > 0) {
    FitColumns(*files_);
    FitColumns(*sizes_);
    widths_chosen_ = true;
  }
  worker_->Load(drives);
}

void TStatsPanel::FitColumns(TGrid& grid) {
  QTableView& view = *grid.view;
  for (int column = 0; column < kChartColumns; ++column) {
    if (view.isColumnHidden(column)) continue;
    view.resizeColumnToContents(column);
    const int fitted = view.columnWidth(column);
    view.setColumnWidth(column, column == 0 ? std::clamp(fitted, kMinTitleWidth, kMaxTitleWidth)
                                            : std::max(fitted, kMinValueWidth));
  }
}

int TStatsPanel::MirrorOf(const TMirrorInfo& info) const {
  const std::vector<TChartMirror>& mirrors = files_->model->values().mirrors();
  for (size_t m = 0; m < mirrors.size(); ++m) {
    if (mirrors[m].destination_dir == info.destination_dir()) return static_cast<int>(m);
  }
  return -1;
}

bool TStatsPanel::SetRunning(const TMirrorInfo& info) {
  const int m = MirrorOf(info);
  if (m < 0) return false;
  files_->model->SetCounters(m, info);
  sizes_->model->SetCounters(m, info);
  UpdateMirrorList();
  return true;
}

bool TStatsPanel::UpdateMirror(const TMirrorInfo& info) {
  if (!SetRunning(info)) return false;
  const TChartMirror& mirror =
      files_->model->values().mirrors()[static_cast<size_t>(MirrorOf(info))];
  // An entry without mapping has no source to ask.
  for (const std::string* drive : {&mirror.source_drive, &mirror.destination_drive}) {
    if (!drive->empty()) worker_->Query(*drive);
  }
  return true;
}

void TStatsPanel::DriveAnswered(const TDiskInfo& info, quint64 generation) {
  if (generation != worker_->generation()) return;
  files_->model->SetDriveInfo(info);
  sizes_->model->SetDriveInfo(info);
  UpdateMirrorList();
}

void TStatsPanel::UpdateMirrorList() {
  const std::vector<TChartMirror>& mirrors = files_->model->values().mirrors();
  for (int m = 0; m < mirrors_->count() && m < static_cast<int>(mirrors.size()); ++m) {
    const TChartMirror& mirror = mirrors[static_cast<size_t>(m)];
    const TRowTitle title{volume_labels_ ? mirror.source_label : "", mirror.source_dir};
    mirrors_->SetText(m, QString::fromStdString(title.Full()));
    mirrors_->SetGreyed(m, !mirror.enabled);
  }
}

TChartModel& TStatsPanel::model(TChartKind kind) const {
  return *(kind == TChartKind::kFiles ? files_ : sizes_)->model;
}

QTableView& TStatsPanel::view(TChartKind kind) const {
  return *(kind == TChartKind::kFiles ? files_ : sizes_)->view;
}

bool TStatsPanel::grid_shown(TChartKind kind) const {
  return grids_->checked(kind == TChartKind::kFiles ? kGridFiles : kGridSizes);
}

void TStatsPanel::SetGridShown(TChartKind kind, bool shown) {
  grids_->SetChecked(kind == TChartKind::kFiles ? kGridFiles : kGridSizes, shown);
}

bool TStatsPanel::charts() const { return grids_->checked(kGridCharts); }
void TStatsPanel::SetCharts(bool charts) { grids_->SetChecked(kGridCharts, charts); }

void TStatsPanel::GridToggled(int entry, bool checked) {
  if (entry == kGridCharts) {
    files_->model->SetCharts(checked);
    sizes_->model->SetCharts(checked);
    return;
  }
  const TChartKind kind = entry == kGridFiles ? TChartKind::kFiles : TChartKind::kSizes;
  (entry == kGridFiles ? files_ : sizes_)->box->setVisible(checked);
  // A hidden grid's legend has nothing to switch.
  for (int column = 1; column < kChartColumns; ++column) {
    legends_->setRowHidden(LegendRow(kind, column), !checked);
  }
}

void TStatsPanel::ColourLegends() {
  for (const TChartKind kind : kKinds) {
    for (int column = 1; column < kChartColumns; ++column) {
      legends_->SetSwatch(LegendRow(kind, column), ChartSeriesColour(kind, column, palette()));
    }
  }
}

// The bars take the palette when painted; the legends keep theirs until told.
void TStatsPanel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) ColourLegends();
  QWidget::changeEvent(event);
}

int TStatsPanel::LegendRow(TChartKind kind, int column) const {
  return (kind == TChartKind::kFiles ? 0 : kSeries) + column - 1;
}

bool TStatsPanel::column_shown(TChartKind kind, int column) const {
  return model(kind).column_shown(column);
}

void TStatsPanel::SetColumnShown(TChartKind kind, int column, bool shown) {
  if (column > 0 && column < kChartColumns) legends_->SetChecked(LegendRow(kind, column), shown);
}

void TStatsPanel::LegendToggled(int row, bool checked) {
  TGrid& grid = row < kSeries ? *files_ : *sizes_;
  const int column = row % kSeries + 1;
  grid.model->SetColumnShown(column, checked);
  grid.view->setColumnHidden(column, !checked);
}

bool TStatsPanel::mirror_shown(int m) const { return files_->model->mirror_shown(m); }
void TStatsPanel::SetMirrorShown(int m, bool shown) { mirrors_->SetChecked(m, shown); }

void TStatsPanel::MirrorToggled(int m, bool shown) {
  for (TGrid* grid : {files_.get(), sizes_.get()}) {
    grid->model->SetMirrorShown(m, shown);
    const int first = ChartRowOf(m, TChartRowKind::kSource);
    const int end = std::min(first + kChartRowsPerMirror, grid->model->rowCount());
    for (int row = first; row < end; ++row) grid->view->setRowHidden(row, !shown);
  }
}

void TStatsPanel::SetVolumeLabels(bool shown) {
  volume_labels_ = shown;
  UpdateMirrorList();
}

void TStatsPanel::SetTextOptions(TChartKind kind, const TChartTextOptions& options) {
  model(kind).SetTextOptions(options);
}

bool TStatsPanel::tile_cells() const {
  return files_->view->horizontalHeader()->sectionResizeMode(0) == QHeaderView::Stretch;
}

void TStatsPanel::SetTileCells(bool tile) {
  for (TGrid* grid : {files_.get(), sizes_.get()}) {
    grid->view->horizontalHeader()->setSectionResizeMode(tile ? QHeaderView::Stretch
                                                              : QHeaderView::Interactive);
  }
}

int TStatsPanel::column_width(TChartKind kind, int column) const {
  if (!column_shown(kind, column)) return 0;
  return widths_chosen_ ? view(kind).columnWidth(column) : -1;
}

void TStatsPanel::SetColumnWidth(TChartKind kind, int column, int width) {
  view(kind).horizontalHeader()->resizeSection(column, width);
  widths_chosen_ = true;
}

QTableView* TStatsPanel::FocusedChart() const {
  for (TGrid* grid : {files_.get(), sizes_.get()}) {
    if (grid->view->hasFocus()) return grid->view;
  }
  return nullptr;
}

bool TStatsPanel::HasSelectedCell() const {
  const QTableView* view = FocusedChart();
  return view && view->selectionModel()->hasSelection();
}

void TStatsPanel::Copy() const {
  if (const QTableView* view = FocusedChart()) {
    QApplication::clipboard()->setText(CellsText(*view, true));
  }
}

void TStatsPanel::CopyAll() const {
  if (const QTableView* view = FocusedChart()) {
    QApplication::clipboard()->setText(CellsText(*view, false));
  }
}

void TStatsPanel::SelectAll() {
  if (QTableView* view = FocusedChart()) view->selectAll();
}

QString TStatsPanel::CellsText(const QTableView& view, bool selected_only) const {
  const QAbstractItemModel& model = *view.model();
  const QItemSelectionModel& selection = *view.selectionModel();
  // Only the rows and columns that hold a copied cell, in grid order.
  std::set<int> rows;
  std::set<int> columns;
  for (int row = 0; row < model.rowCount(); ++row) {
    for (int column = 0; column < model.columnCount(); ++column) {
      if (view.isRowHidden(row) || view.isColumnHidden(column)) continue;
      if (selected_only && !selection.isSelected(model.index(row, column))) continue;
      rows.insert(row);
      columns.insert(column);
    }
  }
  QStringList lines;
  for (const int row : rows) {
    QStringList cells;
    for (const int column : columns) {
      const QModelIndex index = model.index(row, column);
      cells << (selection.isSelected(index) || !selected_only ? index.data().toString()
                                                              : QString());
    }
    lines << cells.join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace qv
