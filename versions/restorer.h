#ifndef QUORVANE_VERSIONS_RESTORER_H_
#define QUORVANE_VERSIONS_RESTORER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filesys/platform.h"
#include "versions/version_index.h"

namespace qv {

// What a restore did so far.
struct TRestoreCounts {
  int64_t files = 0;  // links and files
  int64_t folders = 0;
  int64_t bytes = 0;
  std::vector<std::string> left_alone;  // targets that existed: untouched
  std::vector<std::string> errors;      // one line each
  std::vector<std::string> uncertain;   // restored, but a missing birth time may mislead
  bool stopped = false;                 // a stop request ended it early
};

// Copies versions that a mirror's archive and destination hold back to a
// place outside them. It never replaces or changes an existing entry: an
// existing folder only gets what it lacks, anything else that exists is
// left alone. Files go through the copy service (a temporary name, then a
// move that never replaces) and keep their contents, times, modes, user
// extended attributes and ACLs; a folder gets its modes and times after
// its contents. Nothing below the destination is written.
//
// Threads: one thread at a time.
class TRestorer {
 public:
  // Whether the version's content differs from the source's entry.
  using TDiffers = std::function<bool(const FileInfo& source, const FileInfo& version)>;
  // Called while bytes are copied, with the file being written.
  using TProgress = std::function<void(const TRestoreCounts& counts, const std::string& path)>;
  // Asked between items and while bytes are copied; true once: the restore
  // stops at once, the file being copied is dropped.
  using TStop = std::function<bool()>;

  TRestorer(Platform& platform, TVersionIndex& index, TProgress progress, TStop stop = {});

  // The version relative (below the destination) had at time t, into target.
  // Nothing to restore: false, with the reason in *error.
  bool RestoreAt(const std::string& relative, FileTime t, const std::string& target,
                 std::string* error);
  // Without a time, by what source (the path's place in the mirror's
  // source) holds now: a missing path gets its newest version; a file the
  // newest version that differs by differs; a folder what it lacks of the
  // newest versions of its items, at any depth.
  bool RestoreNewest(const std::string& relative, const std::string& source,
                     const std::string& target, const TDiffers& differs, std::string* error);

  const TRestoreCounts& counts() const { return counts_; }

 private:
  bool Stopping();
  // Whether history was read whole; its read errors go into the counts.
  bool ReadWhole(const TPathHistory& history);
  void RestoreVersion(const TPathHistory& history, int item, FileTime t, const std::string& target);
  void RestoreChildren(const TPathHistory& folder, FileTime t, const std::string& target);
  void RestoreMissing(const std::string& relative, const std::string& source,
                      const std::string& target);
  // Makes path and the folders missing on its way (a restore elsewhere of
  // what a folder lacks).
  Status MakeFolders(const std::string& path);
  void RestoreFile(const TVersion& version, const std::string& target);
  void RestoreLink(const TVersion& version, const std::string& target);
  void RestoreFolder(const TPathHistory& history, const TVersion& version, FileTime t,
                     const std::string& target);
  // A commit that found target taken: the copy goes, target is left alone.
  void Committed(const Status& status, const std::string& temp, const std::string& target);
  void Failed(const std::string& target, const Status& status);

  Platform& platform_;
  TVersionIndex& index_;
  TProgress progress_;
  TStop stop_;
  TRestoreCounts counts_;
};

}  // namespace qv

#endif  // QUORVANE_VERSIONS_RESTORER_H_
