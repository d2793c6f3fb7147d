#ifndef QUORVANE_ENGINE_ROOTS_H_
#define QUORVANE_ENGINE_ROOTS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "archive/archive.h"
#include "engine/mass_change_guard.h"
#include "stats/dir_info.h"

namespace qv {

class Platform;
class TConfirmGate;
class TDestDisk;
class TDestDisks;
class TLogger;
class TMapping;
class TQVIniFile;
struct TFoundFile;

// Bytes a change needs: needed must fit, and below threshold free bytes (or
// bytes left under a limit) room is made first.
struct TSpaceNeed {
  int64_t needed = 0;
  int64_t threshold = 0;
};

// One side of a mirror: its directory and what the walk found there. The
// counters are stored at the end of a mirror under key (the excluded ones
// under key + "\Excluded") so that the next scan can weigh its progress.
//
// Threads: the scan thread changes the counters; the front end reads them
// while the scan runs (they lock themselves).
class TSourceOrDest {
 public:
  TSourceOrDest(Platform& platform, TQVIniFile& ini, std::string path, std::string key);
  virtual ~TSourceOrDest() = default;
  TSourceOrDest(const TSourceOrDest&) = delete;
  TSourceOrDest& operator=(const TSourceOrDest&) = delete;

  // Entries (files and directories, included and excluded) stored at the
  // end of the previous scan.
  virtual int64_t GetWeight() const;
  // Learns whether the root's volume compresses (a volume that cannot be
  // asked counts as compressing). *items grows by the entries walked.
  virtual bool Prepare(int64_t* items, uint16_t* flags, TLogger& logger);
  void SaveCounters();

  const std::string& path() const { return path_; }
  TDirInfoSync& included() { return included_; }
  const TDirInfoSync& included() const { return included_; }
  TDirInfoSync& excluded() { return excluded_; }
  const TDirInfoSync& excluded() const { return excluded_; }
  bool compressing() const { return compressing_; }

 protected:
  Platform& platform_;
  TQVIniFile& ini_;

 private:
  const std::string path_;  // ends with "/"
  const std::string key_;
  TDirInfoSync included_;
  TDirInfoSync excluded_;
  bool compressing_ = true;
};

// The source of a mirror.
class TSource : public TSourceOrDest {
 public:
  TSource(Platform& platform, TQVIniFile& ini, const TMapping& mapping);

  // An entry the mirror never copies (a FIFO, socket or device): excluded,
  // and counted apart.
  void AddSkipped(const TFoundFile& entry);
  // The end lines; nothing while the scan is being stopped.
  void Report(TLogger& logger) const;

 private:
  TDirInfo skipped_;
};

// The destination of a mirror: it owns the archive, knows the drive it
// shares with other mirrors and enforces the mapping's size limits. Once a
// limit cannot be met the destination has failed: the walk stops, the
// normal end lines are left out and nothing is stored.
class TDest : public TSourceOrDest {
 public:
  TDest(Platform& platform, TQVIniFile& ini, const TMapping& mapping, TDestDisks& disks,
        TConfirmGate& gate);

  // Adds the log directory's weight of the archive.
  int64_t GetWeight() const override;
  // False when the drive cannot be asked, the archive cannot be loaded or
  // the limits cannot be met; logs the drive's free bytes.
  bool Prepare(int64_t* items, uint16_t* flags, TLogger& logger) override;
  // Makes sure needed more bytes fit on the drive (freeing archive days
  // below threshold free bytes) and within MaxSizeDest and
  // MaxCompressedSizeDest, shrinking the archive when that is enough.
  bool CheckSpace(uint16_t* flags, bool report, TLogger& logger, int64_t needed, int64_t threshold);
  // The same with the drive's amounts apart from the limits': on the drive a
  // file takes the room of its data, against the limits its size.
  bool CheckSpace(uint16_t* flags, bool report, TLogger& logger, TSpaceNeed drive,
                  TSpaceNeed limits);
  // The room a copy of the source file (at source, listed as entry) takes
  // on the drive: its data extents in whole blocks where the destination
  // keeps holes, its size where it does not or the data cannot be read.
  int64_t DataRoom(const std::string& source, const TFoundFile& entry);
  // Moves a destination item (a directory ends with "/") into this run's
  // time slot after asking question (default "Move <path> to archive?"); the
  // included counters lose it. Nothing moves while a mass change is held.
  bool MoveToArchive(const TArchiveItem& item, const std::string& question, uint16_t* flags,
                     TLogger& logger);
  void Report(TLogger& logger);
  // The scan-end lines: the drive's shortage and this mirror's failure.
  void LogSummary(TLogger& logger) const;

  // What the walk wrote.
  void DirCreated();
  void FileCopied(int64_t size, int64_t size_on_disk);
  void MappingWritten(int64_t size, int64_t size_on_disk);
  void SecuritySet() { ++security_set_; }
  void EmptyDirRemoved() { ++empty_dirs_removed_; }

  // The limits could not be met, or the mirror was cancelled.
  bool failed() const { return failed_ || cancelled_; }
  // The destination takes no more writes: the walk stops as for a failed
  // destination, without the lines of failed limits.
  void Cancel() { cancelled_ = true; }
  bool cancelled() const { return cancelled_; }
  TArchive& archive() { return archive_; }
  const TArchive& archive() const { return archive_; }
  TDestDisk& disk() { return disk_; }
  const TDestDisk& disk() const { return disk_; }
  TMassChangeGuard& mass_change() { return mass_change_; }
  // The walk goes no further: the destination failed, or a mass change
  // stopped it.
  bool stopped() const { return failed() || mass_change_.stopped(); }

 private:
  bool CheckLimit(TArchiveMeasure measure, int64_t limit, uint16_t* flags, int64_t needed,
                  int64_t threshold, TLogger& logger);

  const TMapping& mapping_;
  TDirInfo copied_;
  TDirInfo overwritten_;
  int64_t security_set_ = 0;
  int64_t empty_dirs_removed_ = 0;
  TDestDisk& disk_;
  TArchive archive_;
  TMassChangeGuard mass_change_;
  bool failed_ = false;
  bool cancelled_ = false;
  std::optional<DataLayout> layout_;  // of the destination's volume, once asked
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_ROOTS_H_
