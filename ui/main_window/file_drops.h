#ifndef QUORVANE_UI_MAIN_WINDOW_FILE_DROPS_H_
#define QUORVANE_UI_MAIN_WINDOW_FILE_DROPS_H_

#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace qv {

class TDialogs;
class TMappings;
class TQVIniFile;

// The local paths among dropped URLs, whole and in order; other URLs are
// ignored.
std::vector<std::string> DroppedPaths(const QMimeData& data);

// Offers each path for exclusion from the mirror of mappings holding it,
// failing that of other (when given), and calls exclude(path, filter type)
// for each the user agrees to.
void OfferExclusions(const std::vector<std::string>& paths, const TMappings& mappings,
                     const TMappings* other, TDialogs& dialogs,
                     const std::function<void(const std::string&, int)>& exclude);

// Offers each path for exclusion from the mirror holding it and stores each
// filter the user agrees to (enabled, logged). A store that fails is
// reported with its reason; nothing is claimed then.
void ExcludeDroppedPaths(const std::vector<std::string>& paths, const TMappings& mappings,
                         TQVIniFile& ini, TDialogs& dialogs);

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_FILE_DROPS_H_
