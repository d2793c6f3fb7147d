#include "ui/main_window/mirror_menus.h"

#include <QAction>
#include <QMenu>

#include "config/mappings.h"

namespace qv {

namespace {

// Marks the actions a fill added, so that the next fill removes them alone.
constexpr char kMirrorEntry[] = "qvMirrorEntry";

}  // namespace

std::vector<TMirrorEntry> OpenMirrorEntries(const TMappings& mappings) {
  std::vector<TMirrorEntry> entries;
  for (int i = 0; i < mappings.Count(); ++i) {
    if (i > 0) entries.push_back({});
    entries.push_back({mappings.Source(i), mappings.Source(i)});
    entries.push_back({mappings.Destination(i), mappings.Destination(i)});
  }
  return entries;
}

std::vector<TMirrorEntry> DestinationEntries(const TMappings& mappings) {
  std::vector<TMirrorEntry> entries;
  for (int i = 0; i < mappings.Count(); ++i)
    entries.push_back({mappings.Destination(i), mappings.Destination(i)});
  return entries;
}

QString MenuCaption(const std::string& path) {
  return QString::fromStdString(path).replace("&", "&&");
}

void FillMirrorEntries(QMenu* menu, const std::vector<TMirrorEntry>& entries,
                       const std::function<void(const std::string&)>& run) {
  for (QAction* action : menu->actions()) {
    if (action->property(kMirrorEntry).toBool()) delete action;
  }
  for (const TMirrorEntry& entry : entries) {
    QAction* action =
        entry.caption.empty()
            ? menu->addSeparator()
            : menu->addAction(MenuCaption(entry.caption) + "...");
    action->setProperty(kMirrorEntry, true);
    if (entry.caption.empty()) continue;
    action->setData(QString::fromStdString(entry.path));
    QObject::connect(action, &QAction::triggered, menu,
                     [action, run] { run(action->data().toString().toStdString()); });
  }
  menu->menuAction()->setEnabled(!menu->actions().isEmpty());
}

}  // namespace qv
