#include "ui/logic/filter_cells.h"

#include "config/filter.h"
#include "config/mappings.h"

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

}  // namespace qv
