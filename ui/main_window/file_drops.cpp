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

void OfferExclusions(const std::vector<std::string>& paths, const TMappings& mappings,
                     const TMappings* other, TDialogs& dialogs,
                     const std::function<void(const std::string&, int)>& exclude) {
  const TAskQuestion ask = [&dialogs](const std::string& question) {
    return dialogs.Confirm(question);
  };
  const TShowInfo inform = [&dialogs](const std::string& text) { dialogs.Inform(text); };
  for (const std::string& path : paths) {
    const int answer = mappings.AskToExclude(path, other, ask, inform);
    if (answer != 0) exclude(path, answer == 1 ? kExcludedSource : kExcludedDestination);
  }
}

void ExcludeDroppedPaths(const std::vector<std::string>& paths, const TMappings& mappings,
                         TQVIniFile& ini, TDialogs& dialogs) {
  const TReportError report = [&dialogs](const std::string& text) { dialogs.Error(text); };
  OfferExclusions(paths, mappings, nullptr, dialogs, [&](const std::string& path, int type) {
    (void)SaveNewFilter(ini, path, true, type, true, report);
  });
}

}  // namespace qv
