#ifndef QUORVANE_LOG_LOG_DIR_H_
#define QUORVANE_LOG_LOG_DIR_H_

#include <cstdint>
#include <string>
#include <utility>

#include "config/config_keys.h"

#include "filesys/counts.h"

namespace qv {

class Platform;
class TLogger;
class TQVIniFile;
struct TFoundFile;

// Name of the log directory inside an archive.
inline constexpr char kLogDirName[] = "Logs";
inline constexpr char kLogFileExtension[] = ".txt";

// The log directory of a destination: destination + "Quorvane archive/Logs/".
std::string LogDirOf(const std::string& destination_dir);

// A log file path split into the directory it is reached from and the path
// below it: for a file in an archive's log directory the destination
// directory and "Quorvane archive/Logs/" + name, otherwise its directory and
// its name.
std::pair<std::string, std::string> SplitLogFilePath(const std::string& path);

// Turns a time-slot path relative to the archive ("yyyy/mm/dd/hh mm ss", with
// any suffix) into a file stem ("yyyy-mm-ddThh mm ss" + suffix). A shorter
// text is converted as far as it reaches; "yyyy/mm/dd/" becomes "yyyy-mm-ddT".
// Stems sort by time, oldest first.
std::string LogFileStem(const std::string& time_slot_relative);

// The log directory of one archive. Its files belong to the archive: their
// counters (kept) are part of the archive's and are stored under the
// archive's settings key + "\Logs"; old log files go with their archive day.
//
// Threads: used by the scan thread only.
class TLogDir {
 public:
  // archive_dir ends with "/". dest_key is the destination's settings key;
  // nothing of the log directory is stored there.
  TLogDir(Platform& platform, TQVIniFile& ini, const std::string& archive_dir,
          const std::string& dest_key, const std::string& archive_key);

  // Creates the log directory (one level: the archive directory must exist)
  // unless it is there. False after "Could not create log directory ".
  bool CreateLogDir(TLogger& logger);
  // Log file of a time slot: log_dir() + LogFileStem(slot) + ".txt".
  std::string LogFileName(const std::string& time_slot_relative) const;

  // Reads the kept counters; when any of the four values is missing or
  // invalid they are all cleared.
  void LoadInfo();
  void SaveInfo();
  // Recounts the log directory (itself included) into the kept counters;
  // the archive stores them with its own (SaveInfo). *items (may be null) grows by the entries walked. False when
  // the walk failed (logged) or the scan is being stopped.
  bool Rescan(int64_t* items, bool use_compressed, TLogger& logger);
  // Removes the log files of removed_day and older days ("yyyy/mm/dd/"). When
  // removed_day is not before today, only the days before today go: today's
  // log is never removed. Each file passes logger.CheckSuspend() first. The
  // kept counters afterwards hold what the directory still holds, counted as
  // Rescan counts; removed() grows by the files removed. After a listing
  // failure (logged) nothing is removed and the kept counters stay as they
  // were.
  void RemoveUpTo(const std::string& removed_day, const std::string& today, TLogger& logger,
                  bool use_compressed);

  const TCounts& kept() const { return kept_; }
  const TCounts& removed() const { return removed_; }
  const std::string& log_dir() const { return log_dir_; }
  const std::string& settings_key() const { return log_key_; }

 private:
  // Adds an entry of the log directory to *counts as the counting walk would:
  // subdirectories are walked, links never entered.
  void Count(const std::string& name, const TFoundFile& info, bool use_compressed, TCounts* counts,
             TLogger& logger);
  // Deletes the entry when the logger lets it; logs and counts the removal.
  bool Remove(const std::string& name, const TFoundFile& info, bool use_compressed,
              TLogger& logger);

  Platform& platform_;
  TQVIniFile& ini_;
  const std::string log_dir_;  // ends with "/"
  const std::string log_key_;
  TCounts kept_;
  TCounts removed_;
};

}  // namespace qv

#endif  // QUORVANE_LOG_LOG_DIR_H_
