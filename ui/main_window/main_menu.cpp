// The menus the scan control needs: File, Scanner, Log and Help. Paths are
// kept in the actions' data, never in captions that would be read back.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "log/log_buffer.h"
#include "ui/dialogs/about_box.h"
#include "ui/logic/folder_below_cursor.h"
#include "ui/logic/help_pages.h"
#include "ui/main_window/log_view.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/scan_control.h"
#include "ui/main_window/tool_bar.h"

namespace qv {

void TMainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("MenuFile");
  QAction* exit = file->addAction("E&xit", this, &QWidget::close);
  exit->setObjectName("MenuExit");
  exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

  QMenu* scanner = menuBar()->addMenu("&Scanner");
  scanner->setObjectName("MenuScanner");
  scanner_start_ = scanner->addAction("&Start", tool_bar_->start(), &QAction::trigger);
  scanner_stop_ = scanner->addAction("&Stop", tool_bar_->stop(), &QAction::trigger);
  scanner_start_timer_ =
      scanner->addAction("Start &timer", tool_bar_->start_timer(), &QAction::trigger);
  connect(scanner, &QMenu::aboutToShow, this, [this] {
    scanner_start_->setEnabled(tool_bar_->start()->isEnabled());
    scanner_stop_->setEnabled(tool_bar_->stop()->isEnabled());
    scanner_start_timer_->setEnabled(tool_bar_->start_timer()->isEnabled());
  });

  menuBar()->addMenu(BuildLogMenu());

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("MenuHelp");
  QAction* documentation =
      help->addAction("&Documentation", this, [this] { open_.OpenHelpPage(kHelpIndex); });
  documentation->setShortcut(QKeySequence(Qt::Key_F1));
  help->addAction("&Quorvane on the web", this, [this] { open_.OpenHelpPage(kHelpOnline); });
  help->addAction("&About...", this, &TMainWindow::ShowAbout);
}

QMenu* TMainWindow::BuildLogMenu() {
  auto* menu = new QMenu("&Log", this);
  menu->setObjectName("MenuLog");
  view_log_ = menu->addAction("&View Log", this, &TMainWindow::ToggleLog);
  view_log_->setCheckable(true);
  view_log_->setChecked(true);
  folder_below_cursor_ =
      menu->addAction("Open &folder below cursor", this, &TMainWindow::OpenFolderBelowCursor);
  folder_below_cursor_->setObjectName("MenuFolderBelowCursor");
  QMenu* last_logs = menu->addMenu("&Open last logs");
  QAction* last_log = last_logs->addAction("Open &last log...", this, &TMainWindow::OpenLastLog);
  // Resolved as the menu opens: later log lines must not move the answer
  // away from the line the user clicked.
  connect(menu, &QMenu::aboutToShow, this, [this, last_log] {
    FindFolderBelowCursor();
    last_log->setEnabled(!log_->last_log().empty());
  });
  return menu;
}

void TMainWindow::FindFolderBelowCursor() {
  int offset = 0;
  const std::string line = log_view_->CaretLine(&offset);
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
