#include "ui/main_window/main_window.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <chrono>

#include "config/config_keys.h"
#include "config/mappings.h"
#include "config/mirror_health.h"
#include "config/qv_ini_file.h"
#include "engine/scan_progress.h"
#include "filesys/path_ops.h"
#include "log/log_buffer.h"
#include "log/logger.h"
#include "stats/mirror_info.h"
#include "ui/app/icons.h"
#include "ui/dialogs/confirm_update.h"
#include "ui/dialogs/dialogs.h"
#include "ui/logic/help_pages.h"
#include "ui/logic/scan_state.h"
#include "ui/main_window/config_apply.h"
#include "ui/main_window/edit_commands.h"
#include "ui/main_window/file_drops.h"
#include "ui/main_window/log_stats_split.h"
#include "ui/main_window/log_view.h"
#include "ui/main_window/scan_control.h"
#include "ui/main_window/setting_toggles.h"
#include "ui/main_window/stats_layout.h"
#include "ui/main_window/tool_bar.h"
#include "ui/main_window/window_placement.h"
#include "ui/main_window/window_visibility.h"
#include "ui/stats_panel/chart_mirrors.h"
#include "ui/stats_panel/stats_panel.h"
#include "ui/tray/system_tray.h"
#include "ui/tray/tray_menu.h"

namespace qv {

namespace {

QLabel* StatusPanel(const char* name, int width, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  // File names in status texts show as they are, never as markup.
  label->setTextFormat(Qt::PlainText);
  if (width > 0) label->setFixedWidth(width);
  return label;
}

}  // namespace

TMainWindow::TMainWindow(const TMainWindowDeps& deps, QWidget* parent)
    : QMainWindow(parent),
      platform_(deps.platform),
      dialogs_(deps.dialogs),
      open_(deps.platform, deps.opener, deps.dialogs, deps.executable),
      settings_path_(deps.settings_path),
      executable_(deps.executable),
      options_(deps.options),
      idle_(deps.idle),
      ini_(std::make_unique<TQVIniFile>(platform_, settings_path_)),
      log_(std::make_unique<TLog>(platform_, *ini_)) {
  setObjectName("FormMain");
  setWindowTitle(kProgramTitle);
  tool_bar_ = new TToolBar(this);
  addToolBar(Qt::TopToolBarArea, tool_bar_);
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName("SplitterLog");
  splitter_->setChildrenCollapsible(false);
  stats_panel_ =
      new TStatsPanel(SharedDefaultPlatform(), TDiskInfoWorker::kDefaultTimeout, splitter_);
  stats_panel_->setObjectName("PanelStatistics");
  log_view_ = std::make_unique<TLogView>(*log_, dialogs_, this);
  splitter_->addWidget(stats_panel_);
  splitter_->addWidget(log_view_.get());
  setCentralWidget(splitter_);
  split_ = new TLogStatsSplit(*splitter_, *stats_panel_, *log_view_, *tool_bar_, this);

  statusBar()->setObjectName("StatusBar");
  auto* files = StatusPanel("LabelFiles", 32, this);
  files->setText("Files");
  file_count_ = StatusPanel("LabelFileCount", 70, this);
  file_count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  status_ = StatusPanel("LabelStatus", 0, this);
  statusBar()->addWidget(files);
  statusBar()->addWidget(file_count_);
  statusBar()->addWidget(status_, 1);
  log_view_->set_status_sink(
      [this](const std::string& text) { SetStatusText(QString::fromStdString(text)); });
  log_view_->set_log_saved_sink([this] { tool_bar_->open_log()->setEnabled(true); });
  tool_bar_->open_log()->setEnabled(!log_->last_log().empty());

  if (ini_->Failed()) {
    log_->AddLine(ini_->FailureText(), true);
    dialogs_.Error(ini_->FailureText());
  }
  mappings_ = std::make_unique<TMappings>(*ini_);
  ReloadMappings();
  (void)config_.Load(*ini_);
  ApplyCommandLine(options_, &config_);

  scan_control_ = std::make_unique<TScanControl>(
      TScanControlDeps{platform_, *ini_, config_, *log_, settings_path_, idle_});
  connect(scan_control_.get(), &TScanControl::stateChanged, this, &TMainWindow::ShowState);
  connect(scan_control_.get(), &TScanControl::statusText, this, &TMainWindow::SetStatusText);
  connect(scan_control_.get(), &TScanControl::progress, this, &TMainWindow::ShowProgress);
  connect(scan_control_.get(), &TScanControl::closeNow, this, &QWidget::close);
  // Mirrors added with the headless tool meanwhile appear as a scan starts.
  connect(scan_control_.get(), &TScanControl::scanStarting, this, [this] {
    ReloadMappings();
    LoadStatistics();
  });
  connect(scan_control_.get(), &TScanControl::mirrorStatsChanged, this,
          &TMainWindow::UpdateMirrorStats);
  connect(scan_control_.get(), &TScanControl::countersDue, this, &TMainWindow::ShowRunningMirror);
  BuildTray(deps);
  BuildConfirm();
  WatchHealth();

  connect(tool_bar_->start(), &QAction::triggered, this, [this] {
    FocusLog();
    scan_control_->StartScan();
  });
  connect(tool_bar_->start_timer(), &QAction::triggered, this, [this] {
    FocusLog();
    scan_control_->StartTimer(config_.wait_minutes(), true);
  });
  connect(tool_bar_->stop(), &QAction::triggered, this, [this] {
    FocusLog();
    scan_control_->Stop();
  });
  connect(tool_bar_->open_log(), &QAction::triggered, this, &TMainWindow::OpenLastLog);
  connect(tool_bar_->view_log(), &QAction::triggered, split_, &TLogStatsSplit::ToggleLog);
  connect(tool_bar_->view_stats(), &QAction::triggered, split_, &TLogStatsSplit::ToggleStats);
  connect(tool_bar_->help(), &QAction::triggered, this, [this] { open_.OpenHelpPage(kHelpIndex); });
  toggles_ =
      new TSettingToggles({platform_, *ini_, config_, *scan_control_, dialogs_, executable_}, this);
  config_apply_ = std::make_unique<TConfigApply>(TConfigApplyDeps{
      *ini_, config_, *scan_control_, *toggles_, dialogs_, [this] { ConfigurationChanged(); }});
  configuration_ = new QAction("C&onfiguration...", this);
  configuration_->setObjectName("MenuConfiguration");
  configuration_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  configuration_->setEnabled(false);
  context_edit_ = new TEditCommands(log_view_.get(), this);
  log_view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(log_view_.get(), &QWidget::customContextMenuRequested, this,
          &TMainWindow::ShowLogContextMenu);
  BuildMenus();
  split_->set_entries(view_log_, view_stats_);
  ShowProgress(0, 1, 0);
  ShowState();
  resize(720, 480);
  placement_ = std::make_unique<TWindowPlacement>(*this, *ini_, WindowSystemPlacesWindows());
  placement_->Restore();
  stats_layout_ = std::make_unique<TStatsLayout>(*ini_, *stats_panel_, *split_);
  stats_layout_->Restore();
  setAcceptDrops(true);
  LoadStatistics();
  BuildConfigurationCommand();
}

TMainWindow::~TMainWindow() = default;

void TMainWindow::BuildTray(const TMainWindowDeps& deps) {
  tray_ = std::make_unique<TTrayControl>(
      deps.make_tray ? deps.make_tray() : std::make_unique<TSystemTray>(), deps.tray_timings,
      [this] { return config_.switches.close_when_done; });
  tray_->SetIcon(StateIcon("MAINICON"));
  tray_->set_progress_source([this]() -> TTipProgress {
    const TScanProgress* counts = scan_control_->scan_progress();
    if (counts == nullptr) return {};
    return {counts->items_done, counts->weighted_total,
            scan_control_->state() == TScanState::kSuspended};
  });
  connect(tray_.get(), &TTrayControl::refused, this,
          [this] { log_->AddLine("Notify icon refused by taskbar", true); });
  const TTrayMenu& menu = tray_->menu();
  connect(menu.start(), &QAction::triggered, scan_control_.get(), &TScanControl::StartScan);
  connect(menu.stop(), &QAction::triggered, scan_control_.get(), &TScanControl::Stop);
  connect(menu.start_timer(), &QAction::triggered, this,
          [this] { scan_control_->StartTimer(config_.wait_minutes(), true); });
  connect(menu.close_program(), &QAction::triggered, this, &QWidget::close);
  // For this run only: the effective configuration is never saved.
  connect(menu.close_when_done(), &QAction::triggered, this,
          [this](bool checked) { config_.switches.close_when_done = checked; });
  // Wayland reports no minimised state, so View is the way to hide.
  visibility_ = new TWindowVisibility(*this, *tray_, *scan_control_,
                                      QGuiApplication::platformName().startsWith("wayland"));
  connect(visibility_, &TWindowVisibility::shown, this, [this] {
    ReloadMappings();
    if (stats_stale_) LoadStatistics();
  });
}

void TMainWindow::ShowAtStart() {
  if (options_.start_now) {
    visibility_->StartHidden();
    return;
  }
  tray_->Add();
  show();
}

void TMainWindow::View() { visibility_->View(); }

void TMainWindow::ReloadMappings() {
  TLogger discard;
  (void)mappings_->Load(discard, nullptr, false, true);
}

void TMainWindow::ConfigurationChanged() {
  ReloadMappings();
  LoadStatistics();
  ShowState();
}

void TMainWindow::LoadStatistics() {
  // Drawn for nobody, and the drives asked for nothing.
  stats_stale_ = visibility_ != nullptr && visibility_->hidden_in_tray();
  if (stats_stale_) return;
  stats_panel_->Load(ChartMirrorsOf(*mappings_, *ini_, platform_));
}

bool TMainWindow::StatsDrawable() {
  if (closing_) return false;
  // Hidden in the tray: the next showing loads everything anew.
  if (visibility_->hidden_in_tray()) stats_stale_ = true;
  return !stats_stale_;
}

void TMainWindow::UpdateMirrorStats(const std::string& archive_dir) {
  if (!StatsDrawable()) return;
  const std::string destination = ParentDir(archive_dir);
  for (int i = 0; i < mappings_->Count(); ++i) {
    if (mappings_->Destination(i) != destination) continue;
    TMirrorInfo info;
    info.LoadMirrorInfo(mappings_->Source(i), destination, false, *ini_, platform_);
    // A mirror the panel does not show yet waits for the next load.
    (void)stats_panel_->UpdateMirror(info);
    return;
  }
}

void TMainWindow::ShowRunningMirror() {
  if (!StatsDrawable()) return;
  TMirrorInfo info;
  if (scan_control_->RunningMirror(&info)) (void)stats_panel_->SetRunning(info);
}

void TMainWindow::showEvent(QShowEvent* event) {
  ReloadMappings();
  QMainWindow::showEvent(event);
}

void TMainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPaths(*event->mimeData()).empty()) event->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths = DroppedPaths(*event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  // The questions wait for the user: the dragging program is let go first.
  QMetaObject::invokeMethod(
      this,
      [this, paths = std::move(paths)] { ExcludeDroppedPaths(paths, *mappings_, *ini_, dialogs_); },
      Qt::QueuedConnection);
}

void TMainWindow::Begin() {
  TellHowToAddMirror();
  if (options_.start_now) {
    scan_control_->set_started_with_start(true);
    scan_control_->ScheduleFromLastScan(config_.min_minutes_to_wait());
  } else {
    ShowState();
  }
}

void TMainWindow::TellHowToAddMirror() {
  if (mappings_->Count() > 0) return;
  log_->AddLine("No mirror is configured yet. Add one with the headless tool:", true);
  log_->AddLine(
      "  quorvane-cli --settings \"" + settings_path_ + "\" mirror add SOURCE DESTINATION", true);
  SetStatusText("No mirror is configured yet");
}

void TMainWindow::ShowState() {
  TScanStateView view = scan_control_->View();
  shown_overdue_ = OverdueMirrors();
  view.title = OverdueTitle(view.title, shown_overdue_);
  setWindowTitle(QString::fromStdString(view.title));
  if (const QIcon icon = StateIcon(view.icon); !icon.isNull()) setWindowIcon(icon);
  tool_bar_->ShowState(view);
  tray_->ShowState(view, scan_control_->scanning());
  if (!view.icon.empty()) tray_->SetIcon(StateIcon(view.icon));
}

// A mirror falls overdue while nothing else happens: the title and the tip
// follow within a minute.
void TMainWindow::WatchHealth() {
  auto* timer = new QTimer(this);
  timer->setObjectName("TimerHealth");
  timer->setInterval(std::chrono::minutes(1));
  connect(timer, &QTimer::timeout, this, [this] {
    if (OverdueMirrors() != shown_overdue_) ShowState();
  });
  timer->start();
}

int TMainWindow::OverdueMirrors() {
  return CountOverdue(*mappings_, *ini_, platform_.Now(), config_.health_max_age());
}

void TMainWindow::ShowProgress(qint64 done, qint64 total, qint64 count) {
  tool_bar_->SetProgress(done, total);
  if (count == shown_count_) return;
  shown_count_ = count;
  file_count_->setText(QLocale().toString(count));
}

void TMainWindow::SetStatusText(const QString& text) { status_->setText(text); }

void TMainWindow::FocusLog() {
  if (log_view_->isVisible()) log_view_->setFocus();
}

void TMainWindow::OpenLastLog() { open_.OpenLogFile(log_->last_log()); }

void TMainWindow::closeEvent(QCloseEvent* event) {
  closing_ = true;
  if (!scan_control_->RequestClose()) {
    event->ignore();
    return;
  }
  event->accept();
  placement_->Save();
  stats_layout_->Save();
  emit closed();
}

void TMainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    const bool minimised = isMinimized();
    scan_control_->SetMinimised(minimised);
    log_view_->set_minimised(minimised);
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (isMaximized() && !(change->oldState() & Qt::WindowMaximized)) {
      placement_->SaveNormalBounds();
    }
    visibility_->StateChanged();
  }
  QMainWindow::changeEvent(event);
}

}  // namespace qv
