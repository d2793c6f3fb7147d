#include "ui/main_window/statistics_menu.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableView>
#include <utility>

#include "config/config_keys.h"
#include "stats/chart_rows.h"
#include "ui/main_window/mirror_menus.h"
#include "ui/stats_panel/chart_model.h"
#include "ui/stats_panel/check_lists.h"
#include "ui/stats_panel/stats_panel.h"

namespace qv {

namespace {

constexpr TChartKind kFiles = TChartKind::kFiles;
constexpr TChartKind kSizes = TChartKind::kSizes;

// The folder a chart row stands for: the source, the destination, or on the
// archive (compressed) row the archive folder.
std::string RowFolder(const TChartMirror& mirror, TChartRowKind kind) {
  if (kind == TChartRowKind::kSource) return mirror.source_dir;
  if (kind == TChartRowKind::kDestination) return mirror.destination_dir;
  return mirror.destination_dir + kArchiveDirName + "/";
}

}  // namespace

TStatisticsMenu::~TStatisticsMenu() = default;

TStatisticsMenu::TStatisticsMenu(const TStatisticsMenuDeps& deps, QObject* parent)
    : QObject(parent),
      deps_(deps),
      panel_(deps.panel),
      chart_views_{&panel_.view(kFiles), &panel_.view(kSizes)},
      columns_(std::make_unique<QMenu>("Co&lumns")),
      mirrors_(std::make_unique<QMenu>("&Mirrors")) {
  using Keys = QKeySequence;
  tile_cells_ = AddSwitch("&Tile cells", Keys(Qt::CTRL | Qt::Key_T),
                          [this] { panel_.SetTileCells(!panel_.tile_cells()); });
  legends_ = AddSwitch("L&egends", Keys(Qt::CTRL | Qt::Key_L), [this] {
    panel_.legends_list().setVisible(panel_.legends_list().isHidden());
  });
  files_ = AddSwitch("&Files", Keys(Qt::CTRL | Qt::Key_F),
                     [this] { panel_.SetGridShown(kFiles, !panel_.grid_shown(kFiles)); });
  sizes_ = AddSwitch("S&izes", Keys(Qt::CTRL | Qt::Key_S),
                     [this] { panel_.SetGridShown(kSizes, !panel_.grid_shown(kSizes)); });
  charts_ = AddSwitch("&Charts", {}, [this] { panel_.SetCharts(!panel_.charts()); });
  columns_->setObjectName("MenuColumns");
  mirrors_->setObjectName("MenuMirrors");
  volume_labels_ =
      AddSwitch("V&olume labels", {}, [this] { panel_.SetVolumeLabels(!panel_.volume_labels()); });
  units_ = AddSwitch("Size in &Units", Keys(Qt::CTRL | Qt::Key_U),
                     [this] { ToggleTextOption(&TChartTextOptions::units); });
  bytes_ = AddSwitch("Size in &Bytes", Keys(Qt::CTRL | Qt::Key_B),
                     [this] { ToggleTextOption(&TChartTextOptions::bytes); });

  // Columns follow the chart the user worked in last, even once the focus
  // moved on to the log or the menu.
  // Compared, never used: the focus also moves while the panel is destroyed.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now == chart_views_[0]) focused_ = kFiles;
    if (now == chart_views_[1]) focused_ = kSizes;
  });
  panel_.installEventFilter(this);
  panel_.setContextMenuPolicy(Qt::CustomContextMenu);
  connect(&panel_, &QWidget::customContextMenuRequested, this, &TStatisticsMenu::ShowContextMenu);
  connect(&panel_.mirrors_list(), &QAbstractItemView::doubleClicked, this, [this] {
    if (deps_.configuration->isEnabled()) deps_.configuration->trigger();
  });
  ShowState();
}

QAction* TStatisticsMenu::AddSwitch(const char* caption, const QKeySequence& keys,
                                    const std::function<void()>& toggle) {
  auto* action = new QAction(caption, this);
  action->setCheckable(true);
  action->setShortcut(keys);
  // Flips the panel's state, not the mark, which the check lists may have
  // made stale since the menu last opened.
  connect(action, &QAction::triggered, this, [this, toggle] {
    toggle();
    ShowState();
  });
  return action;
}

void TStatisticsMenu::ToggleTextOption(bool TChartTextOptions::*option) {
  TChartTextOptions options = panel_.model(kSizes).text_options();
  options.*option = !(options.*option);
  panel_.SetTextOptions(kSizes, options);
}

void TStatisticsMenu::AddTo(QMenu* menu, QMenu* before) {
  before_ = before;
  QAction* at = before->menuAction();
  menu->insertActions(at, {tile_cells_});
  menu->insertSeparator(at);
  menu->insertActions(at, {legends_, files_, sizes_, charts_});
  menu->insertSeparator(at);
  menu->insertMenu(at, columns_.get());
  menu->insertMenu(at, mirrors_.get());
  menu->insertActions(at, {volume_labels_, units_, bytes_});
  menu->insertSeparator(at);
  connect(menu, &QMenu::aboutToShow, this, [this] {
    FillColumns(focused_);
    FillMirrors();
    ShowState();
  });
}

bool TStatisticsMenu::eventFilter(QObject* watched, QEvent* event) {
  // Shown or hidden by the user, not with the window.
  if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) ShowState();
  return QObject::eventFilter(watched, event);
}

void TStatisticsMenu::ShowState() {
  const bool shown = !panel_.isHidden();
  for (QAction* action : {tile_cells_, legends_, files_, sizes_, charts_, columns_->menuAction(),
                          volume_labels_, units_, bytes_}) {
    action->setEnabled(shown);
  }
  mirrors_->menuAction()->setEnabled(shown && !mirrors_->isEmpty());
  if (before_ != nullptr) before_->menuAction()->setEnabled(shown && !before_->isEmpty());
  tile_cells_->setChecked(panel_.tile_cells());
  legends_->setChecked(!panel_.legends_list().isHidden());
  files_->setChecked(panel_.grid_shown(kFiles));
  sizes_->setChecked(panel_.grid_shown(kSizes));
  charts_->setChecked(panel_.charts());
  volume_labels_->setChecked(panel_.volume_labels());
  const TChartTextOptions& options = panel_.model(kSizes).text_options();
  units_->setChecked(options.units);
  bytes_->setChecked(options.bytes);
}

void TStatisticsMenu::FillColumns(TChartKind kind) {
  columns_->clear();
  for (int column = 1; column < kChartColumns; ++column) {
    QAction* action = columns_->addAction(MenuCaption(ChartColumnTitle(kind, column)));
    action->setCheckable(true);
    action->setChecked(panel_.column_shown(kind, column));
    connect(action, &QAction::triggered, this, [this, kind, column] {
      panel_.SetColumnShown(kind, column, !panel_.column_shown(kind, column));
    });
  }
}

void TStatisticsMenu::FillMirrors() {
  mirrors_->clear();
  const std::vector<TChartMirror>& mirrors = panel_.model(kFiles).values().mirrors();
  for (int m = 0; m < static_cast<int>(mirrors.size()); ++m) {
    const std::string& source = mirrors[static_cast<size_t>(m)].source_dir;
    QAction* action = mirrors_->addAction(MenuCaption(source));
    action->setData(QString::fromStdString(source));
    action->setCheckable(true);
    action->setChecked(panel_.mirror_shown(m));
    connect(action, &QAction::triggered, this,
            [this, m] { panel_.SetMirrorShown(m, !panel_.mirror_shown(m)); });
  }
}

QTableView* TStatisticsMenu::ChartAt(const QPoint& global) const {
  for (const TChartKind kind : {kFiles, kSizes}) {
    QTableView& chart = panel_.view(kind);
    const QWidget* viewport = chart.viewport();
    if (chart.isVisible() && viewport->rect().contains(viewport->mapFromGlobal(global))) {
      return &chart;
    }
  }
  return nullptr;
}

void TStatisticsMenu::ShowContextMenu(const QPoint& position) {
  QMenu menu(&panel_);
  const QPoint global = panel_.mapToGlobal(position);
  FillContextMenu(&menu, global);
  menu.exec(global);
}

void TStatisticsMenu::FillContextMenu(QMenu* menu, const QPoint& global) {
  menu->setObjectName("MenuStatisticsContext");
  QTableView* chart = ChartAt(global);
  const bool on_sizes = chart == &panel_.view(kSizes);
  // Read before the focus moves, which may scroll the chart.
  const int row = chart ? chart->rowAt(chart->viewport()->mapFromGlobal(global).y()) : -1;
  if (chart != nullptr) {
    focused_ = on_sizes ? kSizes : kFiles;
    AddChartCommands(menu, chart);
    menu->addSeparator();
  }
  menu->addAction(tile_cells_);
  menu->addSeparator();
  menu->addActions({legends_, files_, sizes_, charts_});
  menu->addSeparator();
  menu->addMenu(columns_.get());
  menu->addMenu(mirrors_.get());
  menu->addAction(volume_labels_);
  if (on_sizes) menu->addActions({units_, bytes_});
  if (chart != nullptr) {
    menu->addSeparator();
    AddRowCommands(menu, row);
  }
  menu->addSeparator();
  QAction* configuration =
      menu->addAction("Con&figuration...", deps_.configuration, &QAction::trigger);
  configuration->setEnabled(deps_.configuration->isEnabled());
  FillColumns(focused_);
  FillMirrors();
  ShowState();
}

void TStatisticsMenu::AddChartCommands(QMenu* menu, QTableView* chart) {
  // The right click gave it the focus, which the panel's commands act on.
  chart->setFocus(Qt::PopupFocusReason);
  QAction* copy = menu->addAction("&Copy", this, [this] { panel_.Copy(); });
  copy->setEnabled(chart->selectionModel()->hasSelection());
  menu->addAction("Copy &all", this, [this] { panel_.CopyAll(); });
  menu->addAction("&Select all", this, [this] { panel_.SelectAll(); });
}

void TStatisticsMenu::AddRowCommands(QMenu* menu, int row) {
  QAction* clear = menu->addAction("Clear &archive info...");
  clear->setObjectName("MenuContextClearArchiveInfo");
  QAction* open = menu->addAction("&Open ...");
  open->setObjectName("MenuContextOpenFolder");
  const TChartRow at = row > 0 ? ChartRowAt(row) : TChartRow{};
  const std::vector<TChartMirror>& mirrors = panel_.model(kFiles).values().mirrors();
  if (at.mirror < 0 || at.mirror >= static_cast<int>(mirrors.size()) ||
      at.kind == TChartRowKind::kSpacing || at.kind == TChartRowKind::kLastScan) {
    clear->setEnabled(false);
    open->setEnabled(false);
    return;
  }
  const TChartMirror& mirror = mirrors[static_cast<size_t>(at.mirror)];
  const std::string folder = RowFolder(mirror, at.kind);
  clear->setText("Clear &archive info of " + MenuCaption(mirror.destination_dir) + "...");
  clear->setData(QString::fromStdString(mirror.destination_dir));
  clear->setEnabled(!deps_.scanning());
  connect(clear, &QAction::triggered, this,
          [this, clear] { deps_.clear_archive_info(clear->data().toString().toStdString()); });
  open->setText("&Open " + MenuCaption(folder) + "...");
  open->setData(QString::fromStdString(folder));
  connect(open, &QAction::triggered, this,
          [this, open] { deps_.open_folder(open->data().toString().toStdString()); });
}

}  // namespace qv
