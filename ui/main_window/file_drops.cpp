#include "ui/main_window/file_drops.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "config/filter.h"
#include "config/filter_store.h"
#include "config/mappings.h"
#include "ui/dialogs/dialogs.h"

namespace qv {

std::vector<std::string> DroppedPaths(const QMimeData& data) {
  std::vector<std::string> paths;
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  }
  return paths;
}

void ExcludeDroppedPaths(const std::vector<std::string>& paths, const TMappings& mappings,
                         TQVIniFile& ini, TDialogs& dialogs) {
  const TAskQuestion ask = [&dialogs](const std::string& question) {
    return dialogs.Confirm(question);
  };
  const TShowInfo inform = [&dialogs](const std::string& text) { dialogs.Inform(text); };
  const TReportError report = [&dialogs](const std::string& text) { dialogs.Error(text); };
  for (const std::string& path : paths) {
    const int answer = mappings.AskToExclude(path, nullptr, ask, inform);
    if (answer == 0) continue;
    const int type = answer == 1 ? kExcludedSource : kExcludedDestination;
    (void)SaveNewFilter(ini, path, true, type, true, report);
  }
}

}  // namespace qv
