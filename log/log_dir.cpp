#include "log/log_dir.h"

#include <utility>

#include "config/qv_ini_file.h"
#include "filesys/file_ops.h"
#include "filesys/listing.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

// Zero-based positions of "yyyy/mm/dd/hh mm ss" that the stem rule replaces.
constexpr std::pair<size_t, char> kStemReplacements[] = {
    {4, '-'}, {7, '-'}, {10, 'T'}, {13, ' '}, {16, ' '}};

int SizeOptions(bool use_compressed) { return use_compressed ? kDirSizeOnDisk : 0; }

// A real subdirectory stays; files and links (to directories too) may go.
bool IsRemovable(const TFoundFile& info) { return !info.IsDirectory() || info.IsReparsePoint(); }

// True when the log file named name belongs to a day that goes. Only the date
// part of the name counts: as many characters as cutoff has.
bool IsDue(const std::string& name, const std::string& cutoff, bool up_to_cutoff) {
  const std::string date = LogFileStem(name.substr(0, cutoff.size()));
  return up_to_cutoff ? date <= cutoff : date < cutoff;
}

}  // namespace

std::string LogDirOf(const std::string& destination_dir) {
  return destination_dir + kArchiveDirName + kSep + kLogDirName + kSep;
}

std::pair<std::string, std::string> SplitLogFilePath(const std::string& path) {
  const size_t cut = path.rfind(kSep) + 1;  // npos + 1 == 0
  const std::string dir = path.substr(0, cut);
  const std::string below = std::string(1, kSep) + kArchiveDirName + kSep + kLogDirName + kSep;
  if (dir.ends_with(below)) {
    const size_t anchor = dir.size() - below.size() + 1;
    return {dir.substr(0, anchor), path.substr(anchor)};
  }
  return {dir, path.substr(cut)};
}

std::string LogFileStem(const std::string& time_slot_relative) {
  std::string stem = time_slot_relative;
  for (const auto& [at, replacement] : kStemReplacements) {
    if (at < stem.size()) stem[at] = replacement;
  }
  return stem;
}

TLogDir::TLogDir(Platform& platform, TQVIniFile& ini, const std::string& archive_dir,
                 [[maybe_unused]] const std::string& dest_key, const std::string& archive_key)
    : platform_(platform),
      ini_(ini),
      log_dir_(archive_dir + kLogDirName + kSep),
      log_key_(archive_key + "\\" + kLogDirName) {}

bool TLogDir::CreateLogDir(TLogger& logger) {
  if (IsDirectory(platform_, log_dir_)) return true;
  const Status status = platform_.CreatePrivateDir(log_dir_);
  // Another program may have made it in the meantime.
  if (status.ok() || (status.cond() == Cond::kExists && IsDirectory(platform_, log_dir_))) {
    return true;
  }
  logger.LogSysError(status.code(), "Could not create log directory " + log_dir_);
  return false;
}

std::string TLogDir::LogFileName(const std::string& time_slot_relative) const {
  return log_dir_ + LogFileStem(time_slot_relative) + kLogFileExtension;
}

void TLogDir::LoadInfo() {
  if (!ini_.ReadCounters(log_key_, &kept_)) kept_ = TCounts();
}

void TLogDir::SaveInfo() { ini_.WriteCounters(log_key_, kept_); }

bool TLogDir::Rescan(int64_t* items, bool use_compressed, TLogger& logger) {
  int64_t uncounted = 0;
  kept_ = TCounts();
  const bool complete =
      DirectorySize(platform_, log_dir_, &kept_, items != nullptr ? items : &uncounted, logger,
                    kDirSizeCountStart | SizeOptions(use_compressed));
  return complete;
}

void TLogDir::RemoveUpTo(const std::string& removed_day, const std::string& today, TLogger& logger,
                         bool use_compressed) {
  const bool before_today = removed_day < today;
  const std::string cutoff = LogFileStem(before_today ? removed_day : today);
  logger.SetStatus(log_dir_);
  TWideStringList<TFoundFile> entries;
  const Status status = ListDirectory(platform_, log_dir_, &entries);
  if (status.ok()) {
    TCounts kept;
    kept.dirs = 1;  // the log directory itself, as Rescan counts it
    for (const auto& entry : entries) {
      const bool removed = IsRemovable(*entry.object) && IsDue(entry.text, cutoff, before_today) &&
                           Remove(entry.text, *entry.object, use_compressed, logger);
      if (!removed) Count(entry.text, *entry.object, use_compressed, &kept, logger);
    }
    kept_ = kept;
  } else {
    logger.LogSysError(status.code(), "Could not get directory listing of " + log_dir_);
  }
  logger.SetStatus("");
}

void TLogDir::Count(const std::string& name, const TFoundFile& info, bool use_compressed,
                    TCounts* counts, TLogger& logger) {
  if (!info.IsDirectory()) {
    counts->AddFile(info.size, use_compressed ? info.size_on_disk : info.size);
  } else if (info.IsReparsePoint()) {
    ++counts->dirs;
  } else {
    int64_t items = 0;
    DirectorySize(platform_, log_dir_ + name + kSep, counts, &items, logger,
                  kDirSizeCountStart | kDirSizeNoPolling | SizeOptions(use_compressed));
  }
}

bool TLogDir::Remove(const std::string& name, const TFoundFile& info, bool use_compressed,
                     TLogger& logger) {
  if (!logger.CheckSuspend()) return false;
  const std::string path = log_dir_ + name;
  if (!RemoveFile(platform_, path, logger)) return false;
  logger.LogLine("Removed " + path + " from the archive");
  Count(name, info, use_compressed, &removed_, logger);
  return true;
}

}  // namespace qv
