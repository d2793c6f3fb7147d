#ifndef QUORVANE_ARCHIVE_ARCHIVE_H_
#define QUORVANE_ARCHIVE_ARCHIVE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/dest_lock.h"
#include "filesys/platform.h"
#include "log/log_dir.h"
#include "stats/dir_info.h"

namespace qv {

class TConfirmGate;
class TDestDisk;
class TLogger;
class TMapping;
class TQVIniFile;

// The size measure a shrink works on.
enum class TArchiveMeasure { kSize, kCompressedSize };

// The day before every archive day: FindOldestDay after it finds the oldest.
inline constexpr char kNoDay[] = "0000/00/00/";
// A shrink goes this far below its limit so that it does not run again at
// every scan.
inline constexpr int64_t kShrinkMargin = 10485760;

// Whether the archive day day ("yyyy/mm/dd/") lies more than max_age local
// calendar days before today: never for max_age 0 (keep all) nor for a name
// that is no calendar date. The one rule of retention by age, so that what
// a scan removes and what a plan lists agree.
bool DayOutlived(const std::string& day, const TLocalTime& today, int max_age);

// A destination item on its way into the archive, with the sizes the walk
// counted for it.
struct TArchiveItem {
  std::string path;  // a directory ends with "/"
  bool is_directory = false;
  int64_t size = 0;
  int64_t compressed_size = 0;
  // A file about to be replaced: it is hard-linked into the archive and stays
  // where it is until the new version is renamed over it, so its name never
  // stands empty. Where links are refused it is moved.
  bool keep_in_place = false;
};

// The archive of one mirror destination D: D + "Quorvane archive/", holding
// year/month/day folders ("yyyy/mm/dd/", the day name) and in each day one
// time slot per scan ("hh mm ss", a suffix " (n)" when a slot of that name
// existed already). Items keep their path below D inside the slot. The
// archive's counters are stored under the mapping's archive key so that a run
// need not walk the archive; a run that did not close (killed, power loss)
// leaves a mark that makes the next run count the archive again.
//
// The time slot of the running scan is never removed by a shrink and never
// receives an item over an existing one: nothing archived is ever replaced.
//
// Lifetime: one object per mirror run. It registers with its destination
// disk at construction and leaves it at destruction, so the disk must
// outlive it; other mirrors on the same disk may remove its days until then.
// Threads: the scan thread only; content() may be read from any thread.
class TArchive {
 public:
  // Computes every path from the platform's local time now.
  TArchive(Platform& platform, TQVIniFile& ini, const TMapping& mapping, TDestDisk& disk,
           TConfirmGate& gate);
  ~TArchive();
  TArchive(const TArchive&) = delete;
  TArchive& operator=(const TArchive&) = delete;

  // Loads the stored counters (or counts the archive when they are missing or
  // the previous run did not close) and applies the size limits. *items grows
  // by the entries walked.
  bool LoadInfo(int64_t* items, uint16_t* flags, bool use_compressed, TLogger& logger);
  // Creates the archive (asking first) and log directories when missing and
  // points the log file at this run's time slot.
  bool OpenArchive(uint16_t* flags, TLogger& logger);
  // Stores the counters and clears the mark of a running scan. Counters that
  // could not be counted are not stored, and the mark stays unless this run
  // changed nothing in the archive.
  void CloseArchive();
  // Shrinks when MaxArchiveSize or MaxCompressedArchiveSize is exceeded, or
  // when only logs are left besides empty folders.
  bool CheckLimits(int64_t* items, uint16_t* flags, TLogger& logger);
  // Removes, oldest first, the days that MaxArchiveAge outlived by the local
  // date now (see DayOutlived); nothing while the days are held, and never
  // the running time slot. Stops at a declined removal.
  bool RemoveOutlivedDays(uint16_t* flags, TLogger& logger);
  // Recounts the log directory; the difference counts as growth.
  bool RefreshLogs(int64_t* items, TLogger& logger);
  // Counts the whole archive.
  bool ScanArchive(int64_t* items, TLogger& logger);
  // Removes the time slot when it stayed empty and writes the end lines.
  void Report(TLogger& logger);

  // Where dest_path (inside the destination, outside the archive) goes in
  // this run's time slot; a directory keeps its trailing "/". Throws
  // std::invalid_argument for any other path.
  std::string ArchivePath(const std::string& dest_path) const;
  // Moves a destination item into the time slot after asking question
  // (default "Move <path> to archive?"). An existing item at the target is
  // never replaced: the move fails with an error and the item stays where
  // it is. source_counters (may be null) lose the item. item.path must be
  // one that ArchivePath accepts.
  bool MoveToArchive(const TArchiveItem& item, const std::string& question, uint16_t* flags,
                     TDirInfo* source_counters, TLogger& logger);
  // Moves an item archived in this run back to dest_path (never over an
  // existing entry); dest_counters (may be null) gain it. size and
  // compressed_size are those the item was archived with (files only).
  bool RestoreFromArchive(const std::string& dest_path, TDirInfo* dest_counters, int64_t size,
                          int64_t compressed_size, TLogger& logger);

  // Removes days, oldest first, until the measure is at most threshold -
  // kShrinkMargin (and maximum). *skipped tells whether the user declined a
  // removal. A negative maximum means the destination leaves no room at all.
  bool Shrink(TArchiveMeasure measure, uint16_t* flags, bool* skipped, int64_t maximum,
              int64_t threshold, TLogger& logger);
  // The first day ("yyyy/mm/dd/") after after in date order, or "" when none
  // is left. Only real directories with all-digit names of the right width
  // count; empty month and year folders met on the way are removed.
  bool FindOldestDay(const std::string& after, std::string* day, TLogger& logger);
  // Removes a day folder with its log files after asking. For today only the
  // other time slots go: the running one and the day folder stay.
  bool RemoveDay(const std::string& day, uint16_t* flags, bool* skipped, TLogger& logger);

  // Progress weight of the log directory, as stored at the end of the last
  // scan until the archive loads.
  int64_t ItemWeight() const;
  // What removing every day would free as the counters tell (compressed
  // sizes), less the log files and what this run archived; the stored
  // counters before the archive is loaded, 0 when there are none.
  int64_t RemovableBytes() const;

  const TDirInfoSync& content() const { return content_; }
  const TDirInfo& grown() const { return grown_; }
  const TDirInfo& removed() const { return removed_; }
  const std::string& time_slot_path() const { return time_slot_path_; }

  // The lock of the destination (see TDestLock).
  TDestLock& lock() { return lock_; }
  // While a mirror holds a mass change (stored, or set by HoldDays during
  // this run) neither its size limits nor the drive's free space remove a
  // day of its archive: the versions a mass change replaced stay.
  void HoldDays() { days_held_ = true; }
  bool DaysHeld();
  // Whether the drive may take days of this archive now: not while they are
  // held, nor while another scan updates the destination (its lock is
  // claimed into *claims unless this run holds it).
  bool MayGiveUpDays(TDayClaims* claims);

 private:
  // Settings.
  void SaveInfo();
  // Stores the mark before this run's first change to the archive: a run
  // that changes nothing costs the store no commit to open and close.
  void MarkRunOpen();
  void MarkSlotOpen();
  // Whether an earlier run left the archive marked open; read once, before
  // this run marks it.
  bool WasLeftOpen();
  void CloseRun();
  bool CreateArchiveDir(uint16_t* flags, TLogger& logger);

  // Paths and counting.
  void ClaimTimeSlot();
  std::string TimeSlotRelative() const;
  bool CountTree(const std::string& path, TDirInfo* counters, int64_t* items, int options,
                 TLogger& logger);
  int64_t Measure(TArchiveMeasure measure) const;
  int64_t LogMeasure(TArchiveMeasure measure) const;

  // Moving.
  // Runs attempt until it succeeds. Not found: make_parent once, then
  // again. Disk full: asks the disk for room (with growing amounts), then
  // again. False when the disk or make_parent gave up (they logged why) or
  // with *failure set to any other error, which the caller logs.
  bool RetryInArchive(const std::function<Status()>& attempt,
                      const std::function<bool()>& make_parent, Status* failure, TLogger& logger);
  bool ForceArchiveDirs(const std::string& path, TLogger& logger);
  // Creates dir. When its parent is missing and is to be made first (it lies
  // inside the archive and was not made already), answers false with
  // *parent_missing set.
  bool MakeArchiveDir(const std::string& dir, bool parent_made, bool* parent_missing,
                      TLogger& logger);
  TCounts CountMovedDirectory(const std::string& path, TDirInfo* counters, TLogger& logger);
  void RemoveEmptyDirs(const std::string& dir, size_t min_length);

  // Removing.
  bool ListDayFolders(const std::string& dir, size_t width, std::vector<int>* numbers,
                      TLogger& logger);
  bool RemoveDayFolder(const std::string& day_dir, TLogger& logger);
  void RemoveLogsUpTo(const std::string& day, TLogger& logger);
  bool ShrinkWithoutDays(TArchiveMeasure measure, int64_t maximum, TLogger& logger);
  bool RemoveTree(const std::string& path, TLogger& logger);
  bool RemoveEntry(const std::string& path, const FileInfo& info, TLogger& logger);
  struct TRemoval;
  bool RemoveDirectory(const std::string& path, const FileInfo& info, TLogger& logger);
  // Lists the directory at path onto *open, to be emptied; false after
  // logging why it cannot be.
  bool OpenForRemoval(const std::string& path, const FileInfo& info, TLogger& logger,
                      std::vector<TRemoval>* open);
  bool DirectoryGone(const Status& status, const std::string& path, TLogger& logger);
  bool RemoveArchivedFile(const std::string& path, const FileInfo& info, TLogger& logger);
  bool CountersImplausible() const;
  void ReportDaysHeld(TLogger& logger);

  Platform& platform_;
  TQVIniFile& ini_;
  const TMapping& mapping_;
  TDestDisk& disk_;
  TConfirmGate& gate_;
  const std::string archive_key_;
  const std::string archive_dir_;  // ends with "/"
  std::string today_;              // "yyyy/mm/dd/"
  std::string day_path_;           // archive_dir_ + today_
  std::string time_slot_path_;     // no trailing "/"
  TDirInfoSync content_;
  TDirInfo grown_;
  TDirInfo removed_;
  TLogDir log_dir_;
  bool info_valid_ = false;
  bool loading_ = false;
  bool use_compressed_ = true;
  bool slot_claimed_ = false;
  bool slot_named_ = false;  // stored as the last time slot
  bool run_open_ = false;
  bool running_ = false;  // between OpenArchive and CloseArchive
  std::optional<bool> left_open_;
  TDestLock lock_;
  bool days_held_ = false;
  bool days_held_reported_ = false;
};

}  // namespace qv

#endif  // QUORVANE_ARCHIVE_ARCHIVE_H_
