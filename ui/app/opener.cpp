#include "ui/app/opener.h"

#include <QDesktopServices>
#include <QUrl>

#include "filesys/platform.h"
#include "ui/dialogs/dialogs.h"
#include "ui/logic/help_pages.h"

namespace qv {

bool TDesktopOpener::Open(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool TOpenService::OpenFolder(const std::string& path) { return OpenChecked(path, true); }

bool TOpenService::OpenLogFile(const std::string& path) { return OpenChecked(path, false); }

bool TOpenService::OpenHelpPage(const std::string& page) {
  const std::string path = FindHelpPage(platform_, executable_, page);
  if (path.empty()) {
    dialogs_.Error("The help page " + page + " was not found in the documentation of " +
                   executable_);
    return false;
  }
  return OpenChecked(path, false);
}

bool TOpenService::OpenChecked(const std::string& path, bool directory) {
  if (path.empty()) return false;
  FileInfo info;
  const Status status = platform_.Stat(path, &info);
  if (!status.ok()) {
    dialogs_.Error("Cannot open " + path + ": " + status.message());
    return false;
  }
  if (info.IsDirectory() != directory) {
    dialogs_.Error("Cannot open " + path + ": " + (directory ? "not a directory" : "not a file"));
    return false;
  }
  if (opener_.Open(path)) return true;
  dialogs_.Error("Cannot open " + path + ": the desktop found no program to open it with");
  return false;
}

}  // namespace qv
