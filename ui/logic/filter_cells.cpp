#include "ui/logic/filter_cells.h"

#include <memory>

#include "config/filter.h"
#include "config/mapping.h"
#include "config/mappings.h"
#include "filesys/path_ops.h"

namespace qv {

namespace {

constexpr int kAnyMirror = kFindDisabled;

bool InSource(const TMappings& mappings, const std::string& path) {
  return mappings.FindBySource(path, kAnyMirror) >= 0;
}

bool InDestination(const TMappings& mappings, const std::string& path) {
  return mappings.FindByDestination(path, kAnyMirror) >= 0;
}

bool ActsOnDestination(int type) {
  return type == kExcludedDestination || type == kRemoveEmptyDestinationDir;
}

}  // namespace

int FilterTypeForPath(const TMappings& mappings, const std::string& filter, int type) {
  if (type == kExcludedDestination && !InDestination(mappings, filter) &&
      InSource(mappings, filter)) {
    return kExcludedSource;
  }
  if (type == kExcludedSource && !InSource(mappings, filter) && InDestination(mappings, filter)) {
    return kExcludedDestination;
  }
  return type;
}

std::string FilterPathForType(const TMappings& mappings, const std::string& filter, int type) {
  if (ActsOnDestination(type)) {
    if (InDestination(mappings, filter) || !InSource(mappings, filter)) return filter;
    return mappings.SourceToDestination(filter, "", kAnyMirror);
  }
  if (InSource(mappings, filter) || !InDestination(mappings, filter)) return filter;
  return mappings.DestinationToSource(filter, "", kAnyMirror);
}

void AddMappingRows(TQVIniFile& ini, const std::vector<TMappingRowPaths>& rows,
                    TMappings* mappings) {
  for (const TMappingRowPaths& row : rows) {
    if (row.destination.empty()) continue;
    const std::string destination = IncludeTrailingSeparator(row.destination);
    auto mapping = std::make_unique<TMapping>(ini, destination);
    if (!row.source.empty()) mapping->SetSource(IncludeTrailingSeparator(row.source));
    mappings->Add(destination, std::move(mapping));
  }
}

}  // namespace qv
