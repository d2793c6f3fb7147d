#ifndef QUORVANE_ENGINE_MIRROR_VERIFIER_H_
#define QUORVANE_ENGINE_MIRROR_VERIFIER_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/file_mappings.h"
#include "config/filter_build.h"
#include "config/minimal_ages.h"
#include "filesys/found_file.h"
#include "filesys/wide_string_list.h"

namespace qv {

class Platform;
class TMapping;
class TMappings;
class TQVIniFile;

// One way in which a mirror does not hold what its source holds.
struct TVerifyDifference {
  std::string path;  // in the destination; a directory ends with "/"
  std::string what;  // "missing", "extra", "size differs (...)" ...
};

enum class TVerifyResult { kSame, kDifferent, kUnreadable };

// Reads a mirror back and compares it with its source as a scan would decide
// what to update: presence, type, size, write time (at the mirror's
// resolution), the compared attributes and the permission bits (where the
// mirror copies them and its file system keeps them), link targets, and with
// compare_data the bytes of regular files. It respects the mirror's filters,
// minimal ages (a file younger there than its minimal age may differ) and
// file mappings, and leaves the archive, the lock file and unfinished copies
// out. It changes nothing.
class TMirrorVerifier {
 public:
  using Report = std::function<void(const TVerifyDifference&)>;
  using Progress = std::function<void(const std::string& source_dir)>;

  // overlaps: the inner sources of nested mirrors, as the mappings' load
  // collects them (may be null).
  TMirrorVerifier(Platform& platform, TQVIniFile& ini, const TMappings& mappings,
                  const TWideStringList<>* overlaps, TMapping& mapping, bool compare_data);

  // Reports each difference as it is found. kUnreadable, with *reason, when
  // the source or the destination cannot be read at all (a drive missing) or
  // the mirror's settings cannot be.
  TVerifyResult Run(const Report& report, const Progress& progress, std::string* reason);

 private:
  // A directory of the source and its copy, with what it inherits.
  struct TDirPair {
    std::string source;                // ends with "/"
    std::string dest;                  // ends with "/"
    int64_t min_age = 0;               // 100-ns units; 0 = none
    std::optional<int> excluded_rank;  // an exclusion that covers it, entered for an include
  };

  bool Prepare(std::string* reason);
  void VerifyDir(const TDirPair& pair, std::vector<TDirPair>* pending);
  // The source entries the scan takes into the mirror, as ReadSourceDir.
  // *covering gets the exclusion rank each entered directory carries down.
  void TakeSources(const TDirPair& pair, const TWideStringList<TFoundFile>& found,
                   TWideStringList<TFoundFile>* taken,
                   std::vector<std::pair<std::string, std::optional<int>>>* covering) const;
  // Whether an exclusion keeps the entry out; a directory it covers that
  // leads to an include is entered, *covering then the rank it carries.
  bool Excluded(const TDirPair& pair, const std::string& name, const TFoundFile& entry,
                const std::string& full, int rank, std::optional<int>* covering) const;
  // False when the entry is a directory to go into.
  bool CompareEntry(const TDirPair& pair, const TFoundFile& source, const TFoundDestFile& dest);
  // What differs in the content and metadata of two entries of one type; ""
  // when nothing does.
  std::string ContentDifference(const std::string& source_path, const TFoundFile& source,
                                const std::string& dest_path, const TFoundFile& dest);
  bool ModesDiffer(const TFoundFile& source, const TFoundFile& dest) const;
  void VerifyFileMappings();
  void Differ(const std::string& path, const std::string& what);

  Platform& platform_;
  TQVIniFile& ini_;
  const TMappings& mappings_;
  const TWideStringList<>* overlaps_;
  TMapping& mapping_;
  const bool compare_data_;
  TMirrorFilters filters_;
  TMinimalAges min_ages_;
  TFileMappingList file_mappings_;
  bool compare_modes_ = false;
  const Report* report_ = nullptr;
  bool differs_ = false;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_MIRROR_VERIFIER_H_
