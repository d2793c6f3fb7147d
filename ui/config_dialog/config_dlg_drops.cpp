// Files dropped on the configuration dialog become exclusion filters.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

#include "config/filter.h"
#include "config/mappings.h"
#include "filesys/platform.h"
#include "ui/config_dialog/config_dlg.h"
#include "ui/config_dialog/config_grid.h"
#include "ui/config_dialog/grid_model.h"
#include "ui/main_window/file_drops.h"

namespace qv {

namespace {

constexpr int kEnabledColumn = 0;
constexpr int kTypeColumn = 1;
constexpr int kFilterColumn = 2;

}  // namespace

void TConfigDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPaths(*event->mimeData()).empty()) event->acceptProposedAction();
}

void TConfigDlg::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths = DroppedPaths(*event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  // The questions are asked once the drag has ended.
  QMetaObject::invokeMethod(
      this, [this, paths = std::move(paths)] { AddDroppedPaths(paths); }, Qt::QueuedConnection);
}

void TConfigDlg::AddDroppedPaths(const std::vector<std::string>& paths) {
  const std::unique_ptr<TMappings> edited = EditedMappings();
  OfferExclusions(paths, *stored_mappings_, edited.get(), deps_.dialogs,
                  [this](const std::string& path, int type) { AddFilterRow(type, path); });
}

std::unique_ptr<TMappings> TConfigDlg::EditedMappings() const {
  auto mappings = std::make_unique<TMappings>(deps_.ini);
  for (const TMappingRowPaths& row : grid(TListKind::kMappings).MappingRows()) {
    auto mapping = std::make_unique<TMapping>(deps_.ini, row.destination);
    mapping->SetSource(row.source);
    mappings->Add(row.destination, std::move(mapping));
  }
  return mappings;
}

void TConfigDlg::AddFilterRow(int type, std::string path) {
  FileInfo info;
  if (path.back() != '/' && deps_.platform->Stat(path, &info).ok() && info.IsDirectory()) {
    path += '/';
  }
  TConfigGrid& filters = grid(TListKind::kFilters);
  TGridModel& model = filters.grid_model();
  // The grid keeps one empty row last: the new filter goes there.
  int row = model.rowCount() - 1;
  model.SetText(row, kEnabledColumn, "true");
  model.SetText(row, kTypeColumn, FilterTypeName(type));
  model.SetText(row, kFilterColumn, path);
  model.KeepOneEmptyRow(&row);
  ShowPage(TCfgPage::kFilters);
}

}  // namespace qv
