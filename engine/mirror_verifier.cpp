// Reading a mirror back: which entries the walk compares.
#include "engine/mirror_verifier.h"

#include "config/config_data.h"
#include "config/config_keys.h"
#include "config/dir_weights.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/listing.h"
#include "filesys/path_ops.h"
#include "filesys/path_places.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

namespace {

// 100-ns units in a minute.
constexpr int64_t kTicksPerMinute = 600000000;

// Keeps the last line, which names what failed.
class TLastLineLogger : public TLogger {
 public:
  void Log(const std::string& text, bool new_line) override {
    last_ = new_line ? text : last_ + text;
  }
  const std::string& last() const { return last_; }

 private:
  std::string last_;
};

// File systems that show the same permission bits for every file.
bool KeepsModes(const std::string& fs_type) {
  static const char* const kWithout[] = {"vfat",  "msdos",   "exfat", "fuseblk", "ntfs",
                                         "ntfs3", "iso9660", "udf",   "cifs",    "smb3"};
  for (const char* name : kWithout) {
    if (fs_type == name) return false;
  }
  return true;
}

std::string FullPath(const std::string& dir, const std::string& name, const TFoundFile& entry) {
  return entry.IsDirectory() ? dir + name + kSep : dir + name;
}

}  // namespace

TMirrorVerifier::TMirrorVerifier(Platform& platform, TQVIniFile& ini, const TMappings& mappings,
                                 const TWideStringList<>* overlaps, TMapping& mapping,
                                 bool compare_data)
    : platform_(platform),
      ini_(ini),
      mappings_(mappings),
      overlaps_(overlaps),
      mapping_(mapping),
      compare_data_(compare_data) {}

TVerifyResult TMirrorVerifier::Run(const Report& report, const Progress& progress,
                                   std::string* reason) {
  if (!Prepare(reason)) return TVerifyResult::kUnreadable;
  report_ = &report;
  differs_ = false;
  std::vector<TDirPair> pending{{mapping_.source(), mapping_.destination(), 0, std::nullopt}};
  while (!pending.empty()) {
    const TDirPair pair = std::move(pending.back());
    pending.pop_back();
    progress(pair.source);
    VerifyDir(pair, &pending);
  }
  VerifyFileMappings();
  return differs_ ? TVerifyResult::kDifferent : TVerifyResult::kSame;
}

// The scan's own preparation, read only: the roots, the file system's time
// resolution, the filters, file mappings and minimal ages.
bool TMirrorVerifier::Prepare(std::string* reason) {
  TLastLineLogger logger;
  const std::string& source = mapping_.source();
  const std::string& dest = mapping_.destination();
  for (const std::string& root : {source, dest}) {
    std::vector<DirEntry> entries;
    const Status status = platform_.ListDir(root, &entries);
    if (!status.ok()) {
      *reason = "Cannot read " + root + ": " + status.message();
      return false;
    }
  }
  TConfigData config;
  TDirWeights weights(source);
  const bool prepared = mapping_.PrepareForScan(logger) && config.Load(ini_) &&
                        LoadFileMappings(ini_, source, logger, &file_mappings_);
  const TFilterBuildInput input{source,
                                dest,
                                config.switches.auto_filter,
                                overlaps_,
                                &file_mappings_.targets,
                                DestinationInSource(platform_, source, dest)};
  if (!prepared || !BuildFilters(ini_, input, mappings_, logger, &filters_, &weights) ||
      !LoadMinimalAges(ini_, source, logger, &min_ages_)) {
    *reason = logger.last().empty() ? ini_.FailureText() : logger.last();
    return false;
  }
  compare_modes_ = mapping_.settings().copy_security_info && KeepsModes(mapping_.file_system());
  return true;
}

void TMirrorVerifier::VerifyDir(const TDirPair& pair, std::vector<TDirPair>* pending) {
  TWideStringList<TFoundFile> found;
  Status status = ListDirectory(platform_, pair.source, &found);
  TWideStringList<TFoundDestFile> dests;
  if (status.ok()) status = ListDestDirectory(platform_, pair.dest, &dests);
  if (!status.ok()) {
    Differ(pair.dest, "could not be read: " + status.message());
    return;
  }
  TDirPair inherited = pair;
  int minutes = 0;
  if (min_ages_.Take(pair.source, &minutes)) inherited.min_age = minutes * kTicksPerMinute;
  TWideStringList<TFoundFile> sources;
  std::vector<std::pair<std::string, std::optional<int>>> covering;
  TakeSources(pair, found, &sources, &covering);
  std::vector<bool> matched(sources.Count(), false);
  const bool root = pair.dest == mapping_.destination();
  for (const auto& item : dests) {
    const TFoundDestFile& dest = *item.object;
    if (root && (dest.name == kArchiveDirName || dest.name == kLockFileName)) continue;
    const int i = sources.Find(dest.name);
    if (i >= 0) {
      matched[i] = true;
      if (CompareEntry(inherited, *sources.Object(i), dest)) continue;
      TDirPair child{pair.source + dest.name + kSep, dest.full_path + kSep, inherited.min_age,
                     pair.excluded_rank};
      for (const auto& [name, rank] : covering) {
        if (name == dest.name) child.excluded_rank = rank;
      }
      pending->push_back(std::move(child));
    } else if (!(!dest.IsDirectory() && platform_.IsTempName(dest.name)) &&
               filters_.excluded_destinations.FindMatch(
                   dest.directory, dest.name, FullPath(dest.directory, dest.name, dest)) < 0) {
      Differ(FullPath(dest.directory, dest.name, dest), "not in the source");
    }
  }
  for (int i = 0; i < sources.Count(); ++i) {
    if (!matched[i]) {
      Differ(FullPath(pair.dest, sources.Text(i), *sources.Object(i)), "missing from the mirror");
    }
  }
}

void TMirrorVerifier::TakeSources(
    const TDirPair& pair, const TWideStringList<TFoundFile>& found,
    TWideStringList<TFoundFile>* taken,
    std::vector<std::pair<std::string, std::optional<int>>>* covering) const {
  const bool root = pair.source == mapping_.source();
  for (int i = 0; i < found.Count(); ++i) {
    const std::string& name = found.Text(i);
    const TFoundFile& entry = *found.Object(i);
    const bool own = root && (name == kArchiveDirName || name == kLockFileName);
    if (own || (entry.attributes & (kAttrTemporary | kAttrDevice)) != 0) continue;
    const std::string full = FullPath(pair.source, name, entry);
    bool direct = false;
    int rank = kUnranked;
    const bool included = FindInclusion(filters_.included_sources, pair.source, name,
                                        entry.attributes, full, &direct, &rank) >= 0;
    const bool leads_to_include = entry.IsDirectory() && !entry.IsReparsePoint() &&
                                  filters_.included_sources.FindFilterInside(full) >= 0;
    std::optional<int> carried = pair.excluded_rank;
    if ((!included && !leads_to_include) ||
        Excluded(pair, name, entry, full, included ? rank : kUnranked, &carried)) {
      continue;
    }
    taken->Add(name, std::make_unique<TFoundFile>(entry));
    if (carried != pair.excluded_rank) covering->emplace_back(name, carried);
  }
}

bool TMirrorVerifier::Excluded(const TDirPair& pair, const std::string& name,
                               const TFoundFile& entry, const std::string& full, int rank,
                               std::optional<int>* covering) const {
  const TFilters& exclusions = filters_.excluded_sources;
  const int x = exclusions.FindExclusion(pair.source, name, full, rank);
  const bool carried = pair.excluded_rank && *pair.excluded_rank >= rank;
  if (x < 0 && !carried) return false;
  if (!entry.IsDirectory() || entry.IsReparsePoint()) return true;
  if (x >= 0 && exclusions.Filter(x).protects) return true;
  if (filters_.included_sources.FindFilterInside(full) < 0) return true;
  if (x >= 0) {
    const int covered = exclusions.Filter(x).Rank(full);
    if (!pair.excluded_rank || covered >= *pair.excluded_rank) *covering = covered;
  }
  return false;
}

void TMirrorVerifier::Differ(const std::string& path, const std::string& what) {
  differs_ = true;
  (*report_)(TVerifyDifference{path, what});
}

}  // namespace qv
