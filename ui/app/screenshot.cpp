#include "ui/app/screenshot.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleFactory>
#include <QTimer>
#include <iostream>
#include <memory>

#include "ui/config_dialog/config_dlg.h"
#include "ui/dialogs/confirm_update.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/scan_control.h"
#include "ui/stats_panel/disk_info_worker.h"
#include "ui/stats_panel/stats_panel.h"

namespace qv {

namespace {

constexpr int kCaptionHeight = 30;
constexpr int kCaptionIcon = 22;

QPixmap WithCaption(QWidget& window) {
  const QPixmap body = window.grab();
  QPixmap picture(body.width(), body.height() + kCaptionHeight);
  picture.fill(window.palette().color(QPalette::Window).darker(115));
  QPainter painter(&picture);
  const int margin = (kCaptionHeight - kCaptionIcon) / 2;
  window.windowIcon().paint(&painter, QRect(margin, margin, kCaptionIcon, kCaptionIcon));
  QFont font = window.font();
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(window.palette().color(QPalette::WindowText));
  painter.drawText(QRect(kCaptionHeight + margin, 0, body.width(), kCaptionHeight),
                   Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
  painter.drawPixmap(0, kCaptionHeight, body);
  return picture;
}

// A popup is a window of its own, which grab() leaves out: the chain of
// menus (a menu of the bar, then a submenu of each) is drawn open into the
// picture, each as it shows when it opens.
void DrawMenus(TMainWindow& window, const QStringList& menus, QPixmap* picture) {
  QPainter painter(picture);
  QMenu* parent = nullptr;
  QPoint at;
  for (const QString& name : menus) {
    auto* menu = window.findChild<QMenu*>(name);
    if (menu == nullptr) {
      std::cerr << "quorvane: no menu " << name.toStdString() << '\n';
      return;
    }
    emit menu->aboutToShow();
    menu->adjustSize();
    if (parent == nullptr) {
      QMenuBar* bar = window.menuBar();
      at = bar->mapTo(&window, bar->actionGeometry(menu->menuAction()).bottomLeft()) +
           QPoint(0, kCaptionHeight);
    } else {
      // Again, with the entry of the submenu highlighted.
      parent->setActiveAction(menu->menuAction());
      painter.drawPixmap(at, parent->grab());
      at += parent->actionGeometry(menu->menuAction()).topRight();
    }
    painter.drawPixmap(at, menu->grab());
    parent = menu;
  }
}

void Save(const QPixmap& picture, const QString& file) {
  if (!picture.save(file)) {
    std::cerr << "quorvane: cannot save " << file.toStdString() << '\n';
  }
}

void SaveAndClose(TMainWindow& window, const QString& file, const QStringList& menus) {
  QPixmap picture = WithCaption(window);
  if (!menus.isEmpty()) DrawMenus(window, menus, &picture);
  Save(picture, file);
  // Later: a close inside a signal of the scan control would re-enter it.
  QTimer::singleShot(0, &window, &QWidget::close);
}

}  // namespace

bool UseScreenshotPalette(const QString& name) {
  if (name.isEmpty() || name == "light") return true;
  if (name != "dark") return false;
  // The Fusion style draws with the palette alone; other styles may not.
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QApplication::setPalette(DarkPalette());
  return true;
}

QPalette DarkPalette() {
  const QColor window(45, 45, 48);
  const QColor base(30, 30, 32);
  const QColor text(230, 230, 230);
  QPalette palette(window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, window);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, window);
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::ToolTipBase, base);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::Highlight, QColor(45, 100, 170));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Link, QColor(110, 170, 240));
  const QColor greyed(130, 130, 130);
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, greyed);
  }
  return palette;
}

QSize ScreenshotSize(const QString& text) {
  const QStringList parts = text.split('x');
  if (parts.size() != 2) return {};
  bool width_ok = false;
  bool height_ok = false;
  const QSize size(parts[0].toInt(&width_ok), parts[1].toInt(&height_ok));
  return width_ok && height_ok ? size : QSize();
}

std::optional<TScanState> ScreenshotState(const QString& name) {
  if (name.isEmpty() || name == "idle") return TScanState::kIdle;
  if (name == "waiting") return TScanState::kWaiting;
  if (name == "scanning") return TScanState::kScanning;
  return std::nullopt;
}

void GrabInState(TMainWindow& window, const QString& file, TScanState state,
                 const QStringList& menus) {
  auto done = std::make_shared<bool>(false);
  TDiskInfoWorker& drives = window.stats_panel().worker();
  auto grab = [&window, &drives, file, state, menus, done] {
    if (*done || window.scan_control().state() != state) return;
    if (state != TScanState::kScanning && !drives.idle()) return;
    *done = true;
    SaveAndClose(window, file, menus);
  };
  TScanControl& control = window.scan_control();
  if (state == TScanState::kScanning) {
    // Queued: the tick has shown its status text by then.
    QObject::connect(&control, &TScanControl::progress, &window, grab, Qt::QueuedConnection);
    QObject::connect(&control, &TScanControl::stateChanged, &window, [&window, done] {
      if (*done || window.scan_control().scanning()) return;
      *done = true;
      std::cerr << "quorvane: the scan ended before it could be drawn\n";
      window.close();
    });
    return;
  }
  QObject::connect(&control, &TScanControl::stateChanged, &window, grab, Qt::QueuedConnection);
  // A drive that never answers fails within the worker's time limit.
  QObject::connect(&drives, &TDiskInfoWorker::result, &window, grab, Qt::QueuedConnection);
  QTimer::singleShot(0, &window, grab);
}

bool IsQuestionScreenshot(const QString& name) { return name == "confirm"; }

void GrabQuestion(TMainWindow& window, const QString& file) {
  TScanControl& control = window.scan_control();
  auto done = std::make_shared<bool>(false);
  // Queued: behind the window's own call that shows the dialog.
  QObject::connect(
      &control, &TScanControl::confirmRequested, &window,
      [&window, file, done] {
        TDlgConfirmUpdate& dialog = window.confirm_dialog();
        if (*done || !dialog.isVisible()) return;
        *done = true;
        Save(WithCaption(dialog), file);
        // Closing during a scan stops it and closes once it ended.
        QTimer::singleShot(0, &window, &QWidget::close);
      },
      Qt::QueuedConnection);
  QObject::connect(&control, &TScanControl::stateChanged, &window, [&window, done] {
    if (*done || window.scan_control().scanning()) return;
    *done = true;
    std::cerr << "quorvane: the scan asked nothing\n";
    window.close();
  });
}

std::optional<TCfgPage> ConfigScreenshotPage(const QString& name) {
  const QStringList kNames = {"config-general", "config-mappings", "config-filters",
                              "config-minimal-ages", "config-file-mappings"};
  const auto index = kNames.indexOf(name);
  if (index < 0) return std::nullopt;
  return static_cast<TCfgPage>(index);
}

void GrabConfiguration(TMainWindow& window, const QString& file, TCfgPage page) {
  QTimer::singleShot(0, &window, [&window, file, page] {
    window.OpenConfiguration();
    TConfigDlg* dialog = window.config_dialog();
    if (dialog == nullptr) {
      window.close();
      return;
    }
    dialog->ShowPage(page);
    // Once the dialog is laid out and its grids have drawn.
    QTimer::singleShot(300, dialog, [&window, dialog, file] {
      Save(WithCaption(*dialog), file);
      dialog->reject();
      window.close();
    });
  });
}

}  // namespace qv
