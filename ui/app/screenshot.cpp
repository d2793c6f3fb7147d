#include "ui/app/screenshot.h"

#include <QPainter>
#include <QTimer>
#include <iostream>
#include <memory>

#include "ui/dialogs/confirm_update.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/scan_control.h"

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

void Save(QWidget& window, const QString& file) {
  if (!WithCaption(window).save(file)) {
    std::cerr << "quorvane: cannot save " << file.toStdString() << '\n';
  }
}

void SaveAndClose(TMainWindow& window, const QString& file) {
  Save(window, file);
  // Later: a close inside a signal of the scan control would re-enter it.
  QTimer::singleShot(0, &window, &QWidget::close);
}

}  // namespace

std::optional<TScanState> ScreenshotState(const QString& name) {
  if (name.isEmpty() || name == "idle") return TScanState::kIdle;
  if (name == "waiting") return TScanState::kWaiting;
  if (name == "scanning") return TScanState::kScanning;
  return std::nullopt;
}

void GrabInState(TMainWindow& window, const QString& file, TScanState state) {
  auto done = std::make_shared<bool>(false);
  auto grab = [&window, file, state, done] {
    if (*done || window.scan_control().state() != state) return;
    *done = true;
    SaveAndClose(window, file);
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
        Save(dialog, file);
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

}  // namespace qv
