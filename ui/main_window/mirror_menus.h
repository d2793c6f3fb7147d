#ifndef QUORVANE_UI_MAIN_WINDOW_MIRROR_MENUS_H_
#define QUORVANE_UI_MAIN_WINDOW_MIRROR_MENUS_H_

#include <functional>
#include <string>
#include <vector>

class QMenu;
class QString;

namespace qv {

class TMappings;

// One entry of a per-mirror menu: its caption (without the three dots) and
// the path it acts on. An empty caption is a separator.
struct TMirrorEntry {
  std::string caption;
  std::string path;
};

// "&Open mirror": the source and the destination of each mirror, the
// mirrors apart by separators.
std::vector<TMirrorEntry> OpenMirrorEntries(const TMappings& mappings);
// One entry per mirror, its destination: the last logs, the accept of a
// changed volume, the clearing of archive information.
std::vector<TMirrorEntry> DestinationEntries(const TMappings& mappings);

// A path as a menu caption: its "&" shown, not taken as a mnemonic.
QString MenuCaption(const std::string& path);

// Replaces the entries an earlier fill added to menu (its fixed actions
// stay) by entries, each caption + "..." with its "&" shown as it is. The
// path is kept in the action's data, never read back from the caption:
// run(path) when chosen. A menu left without actions is disabled.
void FillMirrorEntries(QMenu* menu, const std::vector<TMirrorEntry>& entries,
                       const std::function<void(const std::string&)>& run);

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_MIRROR_MENUS_H_
