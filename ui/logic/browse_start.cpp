#include "ui/logic/browse_start.h"

#include "config/mappings.h"
#include "filesys/file_ops.h"
#include "filesys/path_ops.h"
#include "ui/logic/grid_columns.h"
#include "ui/logic/path_cells.h"

namespace qv {

namespace {

std::string ExistingFolder(Platform& platform, const std::string& text) {
  const std::string folder = ExpandedDirectory(platform, text);
  return !folder.empty() && IsDirectory(platform, folder) ? folder : "";
}

std::string OtherSide(const TMappings& mappings, const TBrowseCell& cell) {
  const int source = SourceColumn(cell.kind);
  const bool to_destination = cell.column != source;
  const std::string& other =
      cell.rows[cell.row][to_destination ? source : DestinationColumn(cell.kind)];
  if (Trim(other).empty()) return "";
  return to_destination ? mappings.SourceToDestination(other, "", kFindDisabled)
                        : mappings.DestinationToSource(other, "", kFindDisabled);
}

std::string NearestInColumn(Platform& platform, const TBrowseCell& cell) {
  const int count = static_cast<int>(cell.rows.size());
  const int step = cell.row == 0 ? 1 : -1;
  for (int row = cell.row + step; row >= 0 && row < count; row += step) {
    const std::string folder = ExistingFolder(platform, cell.rows[row][cell.column]);
    if (!folder.empty()) return folder;
  }
  return "";
}

}  // namespace

std::string BrowseStart(Platform& platform, const TMappings& mappings, const TBrowseCell& cell) {
  const std::string& text = cell.rows[cell.row][cell.column];
  const TPathCellKind* path = GridColumns(cell.kind)[cell.column].path;
  if (!Trim(text).empty()) {
    return path != nullptr && path->want == TPathWant::kDirectory
               ? ExpandedDirectory(platform, text)
               : text;
  }
  if (cell.kind == TListKind::kMinimalAges) {
    for (int i = 0; i < mappings.Count(); ++i) {
      if (!mappings.Source(i).empty()) return mappings.Source(i);
    }
    return "";
  }
  if (cell.kind != TListKind::kMappings) return "";
  const std::string translated = ExistingFolder(platform, OtherSide(mappings, cell));
  return translated.empty() ? NearestInColumn(platform, cell) : translated;
}

}  // namespace qv
