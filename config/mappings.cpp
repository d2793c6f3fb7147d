#include "config/mappings.h"

#include <utility>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "filesys/path_ops.h"
#include "filesys/path_places.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

namespace {

bool InNormalForm(Platform& platform, const std::string& destination) {
  const std::string normal = NormaliseDirectory(platform, destination, false);
  return !normal.empty() && normal == destination && !IsPattern(normal);
}

}  // namespace

std::string TMappings::Source(int i, bool raw) const {
  const TMapping* mapping = Mapping(i);
  if (mapping == nullptr) return std::string();
  return raw ? mapping->raw_source() : mapping->source();
}

bool TMappings::Enabled(int i) const {
  const TMapping* mapping = Mapping(i);
  return mapping == nullptr || mapping->settings().enabled;
}

void TMappings::Add(std::string destination, std::unique_ptr<TMapping> mapping) {
  list_.Add(std::move(destination), std::move(mapping));
}

bool TMappings::Load(TLogger& logger, TWideStringList<>* overlaps, bool collect_overlaps,
                     bool skip_checks) {
  TSettingsLock lock(ini_);
  list_.Clear();
  if (!ini_.CheckStore(logger)) return false;
  for (const std::string& name : ini_.ListSubkeysInRowOrder(kMappingsKey)) {
    const std::string stored = ini_.ReadString(std::string(kMappingsKey) + "\\" + name, "");
    if (!InNormalForm(ini_.platform(), stored)) {
      logger.LogError("The destination " + stored +
                      " should be a fully qualified directory name without wildcards and ending "
                      "on a backslash (\\). Skipped this mapping.");
      continue;
    }
    auto mapping = std::make_unique<TMapping>(ini_, stored);
    mapping->Load();
    if (!skip_checks && !Check(*mapping, logger, overlaps, collect_overlaps)) continue;
    list_.Add(stored, std::move(mapping));
  }
  if (!ini_.CheckStore(logger)) {
    list_.Clear();
    return false;
  }
  if (list_.Empty()) logger.LogLine(kNoMappingsLine);
  return true;
}

bool TMappings::Check(TMapping& mapping, TLogger& logger, TWideStringList<>* overlaps,
                      bool collect) {
  mapping.NormaliseSource();
  const std::string& source = mapping.source();
  const std::string& destination = mapping.destination();
  const std::string rejected = "Rejected mapping of " + source + " to " + destination;
  if (source.empty()) {
    logger.LogError("The source of destination " + destination +
                    " expanded to an empty string. Skipped this mapping.");
    return false;
  }
  // Walking the destination would move the source into the archive.
  if (SourceInsideDestination(ini_.platform(), source, destination)) {
    logger.LogError(rejected + " because its source lies inside its destination");
    return false;
  }
  const int same_source = FindOverlap(source, false);
  if (same_source >= 0) {
    const std::string other = Source(same_source);
    if (other == source) {
      logger.LogError(rejected + " because its source overlaps with " + other);
      return false;
    }
    // A disabled inner mirror keeps no copy up to date: its files stay in
    // the outer one.
    const bool inner_enabled =
        source.size() > other.size() ? mapping.settings().enabled : Enabled(same_source);
    if (collect && overlaps != nullptr && inner_enabled) NoteOverlap(source, other, overlaps);
  }
  const int same_destination = FindOverlap(destination, true);
  if (same_destination >= 0) {
    logger.LogError(rejected + " because its destination overlaps with " +
                    Destination(same_destination));
    return false;
  }
  return true;
}

void TMappings::NoteOverlap(const std::string& a, const std::string& b,
                            TWideStringList<>* overlaps) {
  const std::string inner = IncludeTrailingSeparator(a.size() > b.size() ? a : b);
  FileInfo info;
  if (overlaps->Find(inner) < 0 && ini_.platform().Stat(inner, &info).ok()) overlaps->Add(inner);
}

int TMappings::FindOverlap(const std::string& path, bool destinations) const {
  int best = -1;
  size_t best_length = 0;
  for (int i = 0; i < Count(); ++i) {
    const std::string candidate = destinations ? Destination(i) : Source(i);
    if (candidate.empty() || !Overlap(candidate, path)) continue;
    const size_t length = Source(i).size();
    if (best < 0 || length > best_length) {
      best = i;
      best_length = length;
    }
  }
  return best;
}

}  // namespace qv
