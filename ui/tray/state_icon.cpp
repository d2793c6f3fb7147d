#include "ui/tray/state_icon.h"

#include <QApplication>
#include <QStyle>

namespace qv {

QIcon StateIcon(const std::string& name) {
  // The style's pictures stand in until the program's own are drawn.
  QStyle::StandardPixmap pixmap = QStyle::SP_DriveHDIcon;
  if (name == "MD") pixmap = QStyle::SP_MediaStop;
  if (name == "MW") pixmap = QStyle::SP_BrowserReload;
  if (name == "MS") pixmap = QStyle::SP_MediaPause;
  return QApplication::style()->standardIcon(pixmap);
}

}  // namespace qv
