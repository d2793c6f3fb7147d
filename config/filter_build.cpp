#include "config/filter_build.h"

#include "config/dir_weights.h"
#include "config/filter_adder.h"
#include "config/filter_store.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr char kEveryName[] = "*.*";

// Adds the stored filters of one build; the lists and the weights are shared
// by all of them.
class TStoredFilterBuild {
 public:
  TStoredFilterBuild(Platform& platform, const TFilterBuildInput& input, const TMappings& mappings,
                     TFilterAdder& adder, TLogger& logger, TMirrorFilters* filters,
                     TDirWeights* weights)
      : platform_(platform),
        input_(input),
        mappings_(mappings),
        adder_(adder),
        logger_(logger),
        filters_(*filters),
        weights_(*weights) {}

  void Add(const TStoredFilter& stored);

 private:
  void AddExcludedDestination(std::string& pattern, const TStoredFilter& stored,
                              const std::string& description);

  Platform& platform_;
  const TFilterBuildInput& input_;
  const TMappings& mappings_;
  TFilterAdder& adder_;
  TLogger& logger_;
  TMirrorFilters& filters_;
  TDirWeights& weights_;
};

// POSIX has one root: "/" alone names every entry, and "/./" right after it
// leaves a relative pattern.
std::string Anchor(std::string pattern) {
  if (pattern.starts_with("/./")) pattern.erase(0, 3);
  if (pattern.empty() || pattern == "/") return kEveryName;
  return pattern;
}

void TStoredFilterBuild::Add(const TStoredFilter& stored) {
  if (stored.text.empty()) return;
  if (!stored.enabled) {
    logger_.LogUnderHeading("Skipped disabled filter " + stored.text);
    return;
  }
  std::string pattern = ExpandEnvironment(platform_, stored.text);
  if (pattern.empty()) {
    logger_.LogUnderHeading("Skipped filter expanding to empty string " + stored.text);
    return;
  }
  const std::string description = std::string("user defined ") + FilterTypeName(stored.type);
  const bool on_destination =
      stored.type == kExcludedDestination || stored.type == kRemoveEmptyDestinationDir;
  const std::string& base = on_destination ? input_.destination : input_.source;
  pattern = Anchor(pattern);
  if (!IsInside(pattern, base) && !IsPattern(pattern)) {
    logger_.LogUnderHeading("Skipped " + description + " " + stored.text + " not matching " + base);
    return;
  }
  switch (stored.type) {
    case kExcludedDestination:
      AddExcludedDestination(pattern, stored, description);
      break;
    case kIncludedSource:
    case kIncludedSourceDir: {
      const uint32_t required = stored.type == kIncludedSourceDir ? uint32_t{kAttrDirectory} : 0;
      adder_.AddPattern(filters_.included_sources, pattern, description, stored.log, required);
      break;
    }
    case kRemoveEmptyDestinationDir:
      adder_.AddPattern(filters_.empty_dirs, pattern, description, stored.log, 0);
      break;
    default:
      adder_.AddPattern(filters_.excluded_sources, pattern, description, stored.log, 0);
      weights_.Add(pattern);
      break;
  }
}

// An excluded destination also keeps its source out, so that the mirror does
// not copy what the destination must not receive.
void TStoredFilterBuild::AddExcludedDestination(std::string& pattern, const TStoredFilter& stored,
                                                const std::string& description) {
  adder_.AddPattern(filters_.excluded_destinations, pattern, description, stored.log, 0);
  std::string source =
      mappings_.DestinationToSource(pattern, RootOf(input_.destination), kFindPatterns);
  if (source.empty()) {
    logger_.FlushHeading();
    logger_.LogWarning("Could not determine source of " + stored.text);
    return;
  }
  TFilter& excluded = adder_.AddPattern(filters_.excluded_sources, source,
                                        "source of excluded destination", stored.log, 0);
  excluded.protects = true;
  weights_.Add(source);
}

void AddOverlappingMirrors(TFilterAdder& adder, const TFilterBuildInput& input,
                           TMirrorFilters* filters, TDirWeights* weights) {
  if (!input.auto_filter || input.overlaps == nullptr) return;
  for (const auto& overlap : *input.overlaps) {
    if (!IsInside(overlap.text, input.source)) continue;
    adder.AddPath(filters->excluded_sources, overlap.text, "source of overlapping mirror ",
                  weights);
  }
}

// A file that a file mapping updates must not be overwritten by the mirror,
// on either side.
void AddFileMappings(TFilterAdder& adder, const TFilterBuildInput& input, const TMappings& mappings,
                     TMirrorFilters* filters, TDirWeights* weights) {
  if (input.file_mapping_targets == nullptr) return;
  for (const std::string& target : *input.file_mapping_targets) {
    const std::string source =
        mappings.DestinationToSource(target, RootOf(input.destination), kFindPatterns);
    if (IsInside(source, input.source)) {
      adder.AddAutoFile(filters->excluded_sources, source, "source of file mapping ",
                        input.auto_filter, weights);
    }
    if (IsInside(target, input.destination)) {
      adder.AddAutoFile(filters->excluded_destinations, target, "destination of file mapping ",
                        input.auto_filter, nullptr);
    }
  }
}

}  // namespace

void TMirrorFilters::Clear() {
  included_sources.Clear();
  excluded_sources.Clear();
  excluded_destinations.Clear();
  empty_dirs.Clear();
}

bool BuildFilters(TQVIniFile& ini, const TFilterBuildInput& input, const TMappings& mappings,
                  TLogger& logger, TMirrorFilters* filters, TDirWeights* weights) {
  filters->Clear();
  std::vector<TStoredFilter> stored;
  if (!ReadStoredFilters(ini, logger, &stored)) return false;
  Platform& platform = ini.platform();
  logger.SetHeading("Filters:");
  TFilterAdder adder(platform, logger);
  TStoredFilterBuild build(platform, input, mappings, adder, logger, filters, weights);
  for (const TStoredFilter& filter : stored) build.Add(filter);
  if (filters->included_sources.Empty()) {
    std::string every_name = kEveryName;
    adder.AddPattern(filters->included_sources, every_name, "include of all sources", false, 0);
  }
  AddOverlappingMirrors(adder, input, filters, weights);
  AddFileMappings(adder, input, mappings, filters, weights);
  AddAutomaticFilters(adder, platform, input, logger, filters, weights);
  logger.ClearHeading();
  return true;
}

}  // namespace qv
