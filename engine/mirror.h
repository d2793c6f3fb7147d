#ifndef QUORVANE_ENGINE_MIRROR_H_
#define QUORVANE_ENGINE_MIRROR_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/config_data.h"
#include "config/dir_weights.h"
#include "config/file_mappings.h"
#include "config/filter_build.h"
#include "config/minimal_ages.h"
#include "config/mirror_health.h"
#include "engine/dir_to_process.h"
#include "engine/file_copier.h"
#include "engine/listing_changes.h"
#include "engine/listing_read_ahead.h"
#include "engine/root_guard.h"
#include "engine/roots.h"
#include "engine/write_watch.h"
#include "filesys/fs_probe.h"
#include "filesys/platform.h"
#include "filesys/wide_string_list.h"

namespace qv {

class Platform;
class TLogger;
class TMapping;
struct TConfigSwitches;
struct TScanContext;

// Brings one destination up to date with its source. The two trees are
// walked together one directory pair at a time, depth first; within a pair
// the destination listing is looked up in the sorted source listing (names
// compare exactly) and every difference is acted on at once, before the
// walk descends. What the destination loses (a replaced or removed file or
// directory) goes into the archive's time slot of this run first. Every
// change passes the confirmation gate of the scan and the space checks of
// the destination.
//
// Data safety: a destination name never holds a partial file (a new version
// is copied completely beside it first, and a failed or declined copy leaves
// the old one in place); an unreadable source directory is never taken for
// an empty one; roots that moved to another file system cancel the mirror;
// nothing is followed through a symbolic link below the roots.
//
// Lifetime: created by the scan for one run. Threads: the scan thread; the
// counters and paths are also read by the front end while the mirror is the
// current one. While the walk runs, the read-ahead's threads list directories
// ahead of it; they only read.
class TMirror {
 public:
  TMirror(TScanContext& context, TMapping& mapping);
  TMirror(const TMirror&) = delete;
  TMirror& operator=(const TMirror&) = delete;

  // Entries both roots and the archive's logs held at the end of the
  // previous scan, plus one: this mirror's share of the progress total.
  int32_t Weight() const;
  // Runs the mirror. scan_filters holds the inner sources of overlapping
  // mirrors. *confirm and *default_answer live across the mirrors of a scan:
  // an answer for the rest of the scan turns *confirm off and becomes the
  // default.
  void Run(TWideStringList<>& scan_filters, TLogger& logger, bool* confirm, bool* default_answer);
  // The scan-end lines of the destination.
  void LogSummary(TLogger& logger);

  const TDirInfo& source_included() const { return source_.included(); }
  const TDirInfo& source_excluded() const { return source_.excluded(); }
  const TDirInfo& dest_included() const { return dest_.included(); }
  const TDirInfo& dest_excluded() const { return dest_.excluded(); }
  const TDirInfo& archive_content() const { return dest_.archive().content(); }
  const std::string& source_path() const { return source_.path(); }
  const std::string& dest_path() const { return dest_.path(); }

 private:
  struct TFileUpdate;

  // The run (mirror.cpp, mirror_start.cpp).
  // The root's own mode and times are settled at the very end, whatever
  // became of the walk.
  void RunMirror(TWideStringList<>& scan_filters, uint16_t* flags);
  void WalkMirror(TDirToProcess& root, TWideStringList<>& scan_filters, uint16_t* flags);
  bool CheckDestRoot(int64_t* attributes);
  bool StartUpdate(TWideStringList<>& scan_filters, TItemCounters counters, uint16_t* flags);
  bool PrepareUpdate(TWideStringList<>& scan_filters, TItemCounters counters, uint16_t* flags);

  // The walk (mirror_walk.cpp).
  struct TWalkFrame;
  // Walks the pairs below root depth first, each settled before its
  // subdirectories; a pair's post-order work follows its whole subtree.
  void ProcessDirectory(TDirToProcess& root, TItemCounters counters, uint16_t* flags);
  // Lists and settles the frame's pair; answers whether its subdirectories
  // are to be walked (they are then in frame.children).
  bool EnterPair(TWalkFrame& frame);
  void LeavePair(const TDirToProcess& pair);
  bool MatchDestEntries(const TDirToProcess& pair, const TWideStringList<TFoundFile>& sources,
                        std::vector<bool>* taken, TWideStringList<TDirToProcess>* queue,
                        TItemCounters counters, uint16_t* flags);
  // Answers whether the source entry is done with.
  bool MatchDestEntry(const TDirToProcess& pair, const TFoundDestFile& dest,
                      const TFoundFile& source, TWideStringList<TDirToProcess>* queue,
                      TItemCounters counters, uint16_t* flags);
  bool HandleNewSources(const TDirToProcess& pair, const TWideStringList<TFoundFile>& sources,
                        const std::vector<bool>& taken, TWideStringList<TDirToProcess>* queue,
                        TItemCounters counters, uint16_t* flags);
  void OrderSubdirectories(const TDirToProcess& pair, TWideStringList<TDirToProcess>* queue,
                           std::vector<std::unique_ptr<TDirToProcess>>* order);
  bool DirNeedsReplacing(const TDirToProcess& pair, const std::string& name,
                         const TFoundFile& source, const TFoundFile& dest);
  bool IsArchiveEntry(const TDirToProcess& pair, const std::string& name) const;
  bool Stopped();
  void StartReadAhead();
  void StopReadAhead();
  // Asks the read-ahead for the listings of the pair being entered (its
  // destination; null when none is being entered) and of the pairs the walk
  // takes next, in its order.
  void ReadAhead(const std::vector<TWalkFrame>& stack, const TDirToProcess* entering);
  // The listings of a pair, read ahead where that is sound, listed here
  // otherwise.
  Status ListSource(const TDirToProcess& pair, TWideStringList<TFoundFile>* list);
  Status ListDest(const TDirToProcess& pair, TWideStringList<TFoundDestFile>* list);

  // Reading the source (mirror_source_read.cpp).
  bool ReadSourceDir(TDirToProcess& pair, TItemCounters counters,
                     TWideStringList<TFoundFile>* list);
  bool SkipEntry(const TDirToProcess& pair, const std::string& name, const TFoundFile& entry,
                 TItemCounters counters);
  bool ApplyIncludes(TDirToProcess& pair, const TWideStringList<TFoundFile>& found,
                     std::vector<int>* open, TItemCounters counters,
                     TWideStringList<TFoundFile>* list);
  void PlaceRemaining(TDirToProcess& pair, const TWideStringList<TFoundFile>& found,
                      const std::vector<int>& open, TItemCounters counters,
                      TWideStringList<TFoundFile>* list);
  // A source entry that an include takes in, or that leads to one.
  struct TIncluded {
    const std::string& name;
    const TFoundFile& entry;
    const std::string& full;  // ends with "/" for a directory
    int rank;                 // of the most specific include that names it
    const TFilter* filter;    // the include its log line names
    const char* prefix;       // of that line; null: not logged
  };
  void TakeIntoList(TDirToProcess& pair, TIncluded included, TItemCounters counters,
                    TWideStringList<TFoundFile>* list);
  bool EnterCovered(TDirToProcess& pair, int x, TIncluded* included);
  void LogExcluded(const TDirToProcess& pair, int x, const std::string& full);
  void ExcludeSource(const std::string& full, const TFoundFile& entry, TItemCounters counters);
  void CountExcludedDir(const std::string& dir, TDirInfo* counters, TItemCounters items);

  // Comparing (mirror_compare.cpp).
  uint8_t Compare(const TFoundFile& source, const TFoundFile& dest) const;
  bool LinksDiffer(const std::string& source, const std::string& dest);
  bool AgeAllowsUpdate(const TDirToProcess& pair, const TFoundDestFile& dest);
  void TakeMinimalAge(TDirToProcess& pair);

  // Directories (mirror_dirs.cpp).
  bool CreateDestDir(TDirToProcess& pair, uint16_t* flags);
  bool CreateDestLink(const TDirToProcess& pair);
  bool MakeDestDir(const TDirToProcess& pair, uint16_t* flags);
  bool UpdateDestDir(TDirToProcess& pair, uint16_t* flags);
  // Before anything inside the existing directory changes: gives its owner
  // write permission back where the source's mode took it.
  void OpenDestDir(TDirToProcess& pair);
  // After everything inside an opened directory: its permission bits (and
  // the rest of its security but for the root) and its times as the
  // source's. Silent; a mode of the source that differed from the one found
  // counts as a security descriptor set.
  void SettleDestDir(const TDirToProcess& pair);
  void SettleDirSecurity(const TDirToProcess& pair, const FileInfo& now);

  // Files (mirror_update_file.cpp).
  void UpdateFile(const TDirToProcess& pair, const std::string& name, const TFoundFile& source,
                  const TFoundDestFile* dest, uint8_t reasons, TItemCounters counters,
                  uint16_t* flags);
  bool ReadyToCopy(TFileUpdate& update, TItemCounters counters, uint16_t* flags);
  void CopyLoop(TFileUpdate& update, uint16_t* flags);
  bool CommitCopy(TFileUpdate& update, const TPreparedCopy& copy, const std::string& target);
  void AfterCopy(const TFileUpdate& update, const std::string& target, int attempt,
                 uint16_t* flags);
  void ReportCopyFailure(const std::string& source, const Status& status);
  void VerifyWriteTime(const std::string& target, const TFoundFile& source);
  bool TakeFileMapping(const std::string& source, std::string* target);

  // Removing (mirror_remove.cpp).
  bool RemoveDestFile(const TFoundDestFile& dest, uint16_t* flags);
  // A temporary file of a copy that never finished (the scan was killed):
  // not the user's data, so it is deleted instead of archived.
  bool IsLeftoverTemp(const TFoundDestFile& dest);
  void RemoveLeftoverTemp(const TFoundDestFile& dest);
  struct TDirEmptying;
  bool RemoveDestDir(const TFoundDestFile& dest, uint16_t* flags, TItemCounters counters);
  bool KeepDestDir(const TFoundDestFile& dest, const std::string& dir, TItemCounters counters);
  // Removes dest, or, when an excluded destination lies inside it, lists it
  // onto *open to be emptied entry by entry; answers whether it went (false
  // while it waits on *open).
  bool StartDirRemoval(const TFoundDestFile& dest, uint16_t* flags, TItemCounters counters,
                       std::vector<TDirEmptying>* open);
  // Whether every entry went; a directory that keeps some is counted as
  // excluded.
  bool FinishEmptying(const TDirEmptying& emptying);
  void RemoveEmptyDestDir(const std::string& dir);

  // Attributes and security (mirror_attributes.cpp).
  void UpdateAttributes(uint16_t* flags, uint32_t dest_attributes, uint32_t source_attributes,
                        const std::string& path);
  void EncryptOrDecrypt(const std::string& source, const std::string& dest, uint16_t* flags,
                        uint32_t source_attributes);
  // dest ends with "/" for a directory.
  bool UpdateSecurity(const std::string& source, const std::string& dest, uint16_t* flags,
                      bool ask);
  // Whether what a security update brings over may differ between the
  // listed entries: permission bits and owners where the destination keeps
  // them, and ACLs and user attributes once the source changed no earlier
  // than dest (change times are as coarse as the kernel's clock tick).
  bool SecurityMayDiffer(const FileInfo& source, const FileInfo& dest) const;
  // Brings an existing dest in line with source's security descriptor when
  // they differ, asking first; logs "Updated security descriptor of ".
  void BringSecurityOver(const std::string& source, const std::string& dest, uint16_t* flags);
  // What dest is to carry of source's descriptor, and (now, may be null)
  // what it carries; false after a logged error.
  bool ReadWanted(const std::string& source, const std::string& dest, SecurityDescriptor* wanted,
                  SecurityDescriptor* now);
  // Asks (when ask) and writes wanted, counting it.
  bool SetSecurity(const std::string& source, const std::string& dest,
                   const SecurityDescriptor& wanted, uint16_t* flags, bool ask);
  bool WriteSecurity(const std::string& dest, const SecurityDescriptor& wanted);
  // dest's permission bits alone, as a directory's are settled.
  bool WriteMode(const std::string& dest, uint32_t mode);
  // What the destination did not keep of what was written to it; one
  // warning at the end of the mirror names it.
  void NoteLost(uint32_t lost);
  void WarnLost();

  // The end (mirror_finish.cpp).
  void Finish(const TDirToProcess& root, TItemCounters counters, uint16_t* flags);
  void SaveFindings();
  TScanResult Outcome();
  void SaveRunEnd();
  void CheckDriveSize();
  void LogEnd();
  // A write the settings store refused during this mirror is tried once
  // more; still refused, it is one error of the mirror (at most one).
  void CheckStoreWrites();

  // The destination's file system as it is (mirror_dest_fs.cpp).
  // Writes a probe file; false, with an error, when the destination is
  // read-only.
  bool ProbeDestination();
  // On a destination that ignores case, source names not yet matched that
  // differ from another source name only in the case of ASCII letters stay
  // out: a name matched with a destination entry wins, then the first in
  // byte order. Each one left out is marked taken, with an error.
  void SkipCaseTwins(const TDirToProcess& pair, const TWideStringList<TFoundFile>& sources,
                     std::vector<bool>* taken);
  // A new name that the destination already holds under another name (it
  // ignores case or folds names, or something made it meanwhile): what is
  // there stays, source is skipped with an error.
  void LogNameTaken(const std::string& source, const std::string& dest);
  // The end line of a mirror cancelled because its destination takes no
  // more writes.
  void LogWritesLost();

  // The confirmation gate, with kind (kConfirmNewItem, ...) set in *flags
  // during the question.
  bool Ask(const std::string& question, const std::string& source, const std::string& dest,
           uint16_t* flags, uint16_t kind = 0);
  TLogger& log() const { return *logger_; }
  // The live switches, with those a mirror keeps from its start.
  TConfigSwitches switches() const;

  TScanContext& context_;
  // Every call of the mirror goes through writes_ (platform_), then changes_.
  TListingChanges changes_;
  TWriteWatch writes_;
  Platform& platform_;
  TMapping& mapping_;
  TSource source_;
  TDest dest_;
  TMirrorFilters filters_;
  TMinimalAges min_ages_;  // after the walk: the entries never used
  TFileMappingList file_mappings_;
  TDirWeights weights_;
  TLogger* logger_ = nullptr;  // set by Run
  int start_errors_ = 0;
  bool root_seen_ = false;
  bool walked_ = false;      // the walk ran to Finish
  bool locked_out_ = false;  // another scan held the destination
  // The excluded directories were not counted at the last scan: what their
  // count finds lies outside the progress total.
  bool excluded_dirs_new_ = true;
  // The scan may set owners and groups.
  bool privileged_ = false;
  TConfigSwitches at_start_;  // the switches when Run began
  uint32_t lost_ = 0;         // kMeta* the destination did not keep
  std::string title_;
  TFileCopier copier_;
  // What the roots and the archive are, for the checks at the start and
  // during the walk.
  TRootGuard guard_;
  int64_t refusals_ = 0;  // of the store when the mirror started or last retried
  bool store_error_logged_ = false;
  // What a file written to the destination showed when the mirror started.
  FileSystemProbe dest_fs_;
  // While the walk runs, when the scan reads ahead.
  std::unique_ptr<TListingReadAhead> ahead_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_MIRROR_H_
