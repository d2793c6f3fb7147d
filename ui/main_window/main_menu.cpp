// The main menu and the log view's context menu. Paths are kept in the
// actions' data, never in captions that would be read back.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "config/mappings.h"
#include "log/log_buffer.h"
#include "stats/mirror_info.h"
#include "ui/dialogs/about_box.h"
#include "ui/logic/folder_below_cursor.h"
#include "ui/logic/help_pages.h"
#include "ui/main_window/accept_volume.h"
#include "ui/main_window/archive_info_command.h"
#include "ui/main_window/edit_commands.h"
#include "ui/main_window/log_stats_split.h"
#include "ui/main_window/log_view.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/mirror_menus.h"
#include "ui/main_window/scan_control.h"
#include "ui/main_window/setting_toggles.h"
#include "ui/main_window/statistics_menu.h"
#include "ui/main_window/tool_bar.h"
#include "ui/stats_panel/stats_panel.h"

namespace qv {

namespace {

QMenu* AddMenu(QMenu* parent, const char* caption, const char* name) {
  QMenu* menu = parent->addMenu(caption);
  menu->setObjectName(name);
  return menu;
}

QMenu* AddMenu(QMenuBar* bar, const char* caption, const char* name) {
  QMenu* menu = bar->addMenu(caption);
  menu->setObjectName(name);
  return menu;
}

}  // namespace

void TMainWindow::BuildMenus() {
  BuildFileMenu();
  QMenu* edit = AddMenu(menuBar(), "&Edit", "MenuEdit");
  edit_commands_ = new TEditCommands(log_view_.get(), this, stats_panel_);
  edit_commands_->AddTo(edit);
  edit->addSeparator();
  edit->addAction(configuration_);
  connect(edit, &QMenu::aboutToShow, this,
          [this] { edit_commands_->Aim(QApplication::focusWidget()); });
  BuildScannerMenu();
  // The statistics panel adds its commands before the submenu.
  statistics_menu_ = AddMenu(menuBar(), "S&tatistics", "MenuStatistics");
  view_stats_ =
      statistics_menu_->addAction("&View statistics", split_, &TLogStatsSplit::ToggleStats);
  view_stats_->setObjectName("MenuViewStatistics");
  view_stats_->setCheckable(true);
  QMenu* clear_info = AddMenu(statistics_menu_, "Clear archive info", "MenuClearArchiveInfo");
  connect(statistics_menu_, &QMenu::aboutToShow, this, [this, clear_info] {
    FillMirrorEntries(clear_info, DestinationEntries(*mappings_),
                      [this](const std::string& destination) { ClearArchiveInfo(destination); });
    // Every entry, not just the running mirror's, waits for the end of a
    // scan: the mirror that runs changes while the menu and the question are
    // open, and each writes its counters back over a clearing as it ends.
    for (QAction* action : clear_info->actions()) action->setEnabled(!scan_control_->scanning());
  });
  statistics_commands_ = new TStatisticsMenu(
      {*stats_panel_, [this] { return scan_control_->scanning(); },
       [this](const std::string& destination) { ClearArchiveInfo(destination); },
       [this](const std::string& folder) { open_.OpenFolder(folder); }, configuration_},
      this);
  statistics_commands_->AddTo(statistics_menu_, clear_info);
  menuBar()->addMenu(BuildLogMenu());

  QMenu* help = AddMenu(menuBar(), "&Help", "MenuHelp");
  QAction* documentation =
      help->addAction("&Documentation", this, [this] { open_.OpenHelpPage(kHelpIndex); });
  documentation->setShortcut(QKeySequence(Qt::Key_F1));
  help->addAction("&Quorvane on the web", this, [this] { open_.OpenHelpPage(kHelpOnline); });
  help->addAction("&About...", this, &TMainWindow::ShowAbout);
}

void TMainWindow::BuildFileMenu() {
  QMenu* file = AddMenu(menuBar(), "&File", "MenuFile");
  QMenu* open_mirror = AddMenu(file, "&Open mirror", "MenuOpenMirror");
  QMenu* last_logs = AddLastLogsMenu(file, "O&pen last logs", "MenuFileLastLogs");
  QAction* exit = file->addAction("E&xit", this, &QWidget::close);
  exit->setObjectName("MenuExit");
  exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
  connect(file, &QMenu::aboutToShow, this, [this, open_mirror, last_logs] {
    FillMirrorEntries(open_mirror, OpenMirrorEntries(*mappings_),
                      [this](const std::string& path) { open_.OpenFolder(path); });
    FillLastLogs(last_logs);
  });
}

void TMainWindow::BuildScannerMenu() {
  QMenu* scanner = AddMenu(menuBar(), "&Scanner", "MenuScanner");
  scanner_start_ = scanner->addAction("&Start", tool_bar_->start(), &QAction::trigger);
  scanner_stop_ = scanner->addAction("&Stop", tool_bar_->stop(), &QAction::trigger);
  scanner_start_timer_ =
      scanner->addAction("Start &timer", tool_bar_->start_timer(), &QAction::trigger);
  scanner->addSeparator();
  scanner->addAction(toggles_->start_at_login());
  scanner->addAction(toggles_->close_when_done());
  scanner->addMenu(toggles_->priority_menu());
  scanner->addSeparator();
  QMenu* accept = AddMenu(scanner, "&Accept changed volume", "MenuAcceptVolume");
  connect(scanner, &QMenu::aboutToShow, this, [this, accept] {
    scanner_start_->setEnabled(tool_bar_->start()->isEnabled());
    scanner_stop_->setEnabled(tool_bar_->stop()->isEnabled());
    scanner_start_timer_->setEnabled(tool_bar_->start_timer()->isEnabled());
    toggles_->ShowValues();
    FillMirrorEntries(accept, DestinationEntries(*mappings_),
                      [this](const std::string& destination) { AcceptVolume(destination); });
  });
}

QMenu* TMainWindow::BuildLogMenu() {
  auto* menu = new QMenu("&Log", this);
  menu->setObjectName("MenuLog");
  view_log_ = menu->addAction("&View Log", split_, &TLogStatsSplit::ToggleLog);
  view_log_->setObjectName("MenuViewLog");
  view_log_->setCheckable(true);
  menu->addSeparator();
  menu->addActions({toggles_->log_toggles().begin(), toggles_->log_toggles().end()});
  menu->addSeparator();
  folder_below_cursor_ =
      menu->addAction("Open &folder below cursor", this, &TMainWindow::OpenFolderBelowCursor);
  folder_below_cursor_->setObjectName("MenuFolderBelowCursor");
  QMenu* last_logs = AddLastLogsMenu(menu, "&Open last logs", "MenuLogLastLogs");
  // Resolved as the menu opens: later log lines must not move the answer
  // away from the line the user clicked.
  connect(menu, &QMenu::aboutToShow, this, [this, last_logs] {
    int offset = 0;
    const std::string line = log_view_->CaretLine(&offset);
    FindFolderBelowCursor(line, offset);
    toggles_->ShowValues();
    FillLastLogs(last_logs);
  });
  return menu;
}

void TMainWindow::FillLogContextMenu(QMenu* menu, const QPoint& position) {
  menu->setObjectName("MenuLogContext");
  context_edit_->Aim(log_view_.get());
  context_edit_->AddTo(menu);
  menu->addSeparator();
  menu->addAction(view_log_);
  menu->addSeparator();
  menu->addActions({toggles_->log_toggles().begin(), toggles_->log_toggles().end()});
  menu->addSeparator();
  menu->addAction(folder_below_cursor_);
  QMenu* last_logs = AddLastLogsMenu(menu, "&Open last logs", "MenuContextLastLogs");
  menu->addSeparator();
  QAction* configuration = menu->addAction("Con&figuration...");
  configuration->setObjectName("MenuContextConfiguration");
  configuration->setEnabled(false);
  int offset = 0;
  const std::string line = log_view_->LineAt(position, &offset);
  FindFolderBelowCursor(line, offset);
  toggles_->ShowValues();
  FillLastLogs(last_logs);
}

void TMainWindow::ShowLogContextMenu(const QPoint& position) {
  QMenu menu(this);
  FillLogContextMenu(&menu, position);
  menu.exec(log_view_->viewport()->mapToGlobal(position));
}

QMenu* TMainWindow::AddLastLogsMenu(QMenu* parent, const char* caption, const char* name) {
  QMenu* menu = AddMenu(parent, caption, name);
  QAction* last_log = menu->addAction("Open &last log...", this, &TMainWindow::OpenLastLog);
  last_log->setObjectName(QString(name) + "Last");
  return menu;
}

void TMainWindow::FillLastLogs(QMenu* menu) {
  menu->actions().first()->setEnabled(!log_->last_log().empty());
  FillMirrorEntries(menu, DestinationEntries(*mappings_), [this](const std::string& destination) {
    open_.OpenLogFile(log_->FindLastLog(destination));
  });
}

TMapping* TMainWindow::MappingOf(const std::string& destination) const {
  for (int i = 0; i < mappings_->Count(); ++i) {
    if (mappings_->Destination(i) == destination) return mappings_->Mapping(i);
  }
  return nullptr;
}

void TMainWindow::AcceptVolume(const std::string& destination) {
  if (TMapping* mapping = MappingOf(destination))
    AcceptChangedVolume(platform_, *ini_, *mapping, dialogs_, *log_);
}

void TMainWindow::ClearArchiveInfo(const std::string& destination) {
  TMapping* mapping = MappingOf(destination);
  if (mapping == nullptr || !AskClearArchiveInfo(platform_, *ini_, *mapping, dialogs_)) return;
  TMirrorInfo info;
  info.LoadMirrorInfo(mapping->source(), destination, false, *ini_, platform_);
  stats_panel_->UpdateMirror(info);
}

void TMainWindow::FindFolderBelowCursor(const std::string& line, int offset) {
  const std::string folder = FolderBelowCursor(line, static_cast<size_t>(offset), platform_);
  folder_below_cursor_->setData(QString::fromStdString(folder));
  folder_below_cursor_->setEnabled(!folder.empty());
}

void TMainWindow::OpenFolderBelowCursor() {
  open_.OpenFolder(folder_below_cursor_->data().toString().toStdString());
}

void TMainWindow::ShowAbout() {
  TAboutBox box(QString::fromStdString(executable_), this);
  box.exec();
}

}  // namespace qv
