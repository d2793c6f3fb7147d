// Finding and removing archive days.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "archive/archive.h"
#include "archive/confirm_gate.h"
#include "archive/counter_arithmetic.h"
#include "config/mapping.h"
#include "filesys/file_ops.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr size_t kYearWidth = 4;
constexpr size_t kMonthWidth = 2;
constexpr size_t kDayWidth = 2;

// The digits of n, zero-padded to width.
std::string Digits(int n, size_t width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", static_cast<int>(width), n);
  return text;
}

// The number written as exactly width digits at text[at], or -1.
int NumberAt(const std::string& text, size_t at, size_t width) {
  if (text.size() < at + width) return -1;
  int n = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

// The smallest of the sorted numbers that is at least least, or -1.
int FirstAtLeast(const std::vector<int>& numbers, int least) {
  const auto it = std::lower_bound(numbers.begin(), numbers.end(), least);
  return it == numbers.end() ? -1 : *it;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t CivilDays(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// Days since 1970-01-01 of a day name "yyyy/mm/dd/", or nullopt for a name
// that is no calendar date.
std::optional<int64_t> DayNumber(const std::string& day) {
  const int year = NumberAt(day, 0, kYearWidth);
  const int month = NumberAt(day, 5, kMonthWidth);
  const int day_number = NumberAt(day, 8, kDayWidth);
  if (year < 1 || month < 1 || month > 12 || day_number < 1) return std::nullopt;
  const int64_t first = CivilDays(year, month, 1);
  const int64_t next = month == 12 ? CivilDays(year + 1, 1, 1) : CivilDays(year, month + 1, 1);
  if (first + day_number > next) return std::nullopt;
  return first + day_number - 1;
}

}  // namespace

bool DayOutlived(const std::string& day, const TLocalTime& today, int max_age) {
  const std::optional<int64_t> number = DayNumber(day);
  return max_age > 0 && number && CivilDays(today.year, today.month, today.day) - *number > max_age;
}

// Days come in date order: the first date that stays ends the search. Names
// that are no dates are passed over.
bool TArchive::RemoveOutlivedDays(uint16_t* flags, TLogger& logger) {
  const int max_age = mapping_.settings().max_archive_age;
  if (max_age <= 0) return true;
  const TLocalTime today = platform_.ToLocalTime(platform_.Now());
  bool started = false;
  std::string day;
  for (std::string after = kNoDay; FindOldestDay(after, &day, logger); after = day) {
    if (day.empty()) return true;
    if (!DayOutlived(day, today, max_age)) {
      if (DayNumber(day)) return true;
      continue;
    }
    if (DaysHeld()) {
      ReportDaysHeld(logger);
      return true;
    }
    if (!started) {
      started = true;
      logger.LogLine("Removing the archive days older than " + std::to_string(max_age) + " days");
    }
    uint16_t copy = *flags;
    bool skipped = false;
    (void)RemoveDay(day, &copy, &skipped, logger);
    if (logger.IsTerminated()) return false;
    if (skipped) {
      AdoptWiderAnswer(flags, copy);
      return true;
    }
  }
  return false;
}

// Numbers of the real subdirectories of dir whose names are width digits,
// sorted. A missing dir has none.
bool TArchive::ListDayFolders(const std::string& dir, size_t width, std::vector<int>* numbers,
                              TLogger& logger) {
  numbers->clear();
  if (!logger.CheckSuspend()) return false;
  std::vector<DirEntry> entries;
  const Status status = platform_.ListDir(dir, &entries);
  if (status.cond() == Cond::kNotFound) return true;
  if (!status.ok()) {
    logger.LogSysError(status.code(), "Failed to retrieve listing of " + dir);
    return false;
  }
  for (const DirEntry& entry : entries) {
    const bool real_dir = entry.info.IsDirectory() && !entry.info.IsReparsePoint();
    const int n = NumberAt(entry.name, 0, width);
    if (real_dir && entry.name.size() == width && n >= 0) numbers->push_back(n);
  }
  std::sort(numbers->begin(), numbers->end());
  return true;
}

bool TArchive::FindOldestDay(const std::string& after, std::string* day, TLogger& logger) {
  day->clear();
  int year = std::max(NumberAt(after, 0, kYearWidth), 0);
  int month = std::max(NumberAt(after, 5, kMonthWidth), 0);
  int day_number = std::max(NumberAt(after, 8, kDayWidth), 0);
  std::vector<int> years;
  std::vector<int> months;
  std::vector<int> days;
  for (;;) {
    if (!ListDayFolders(archive_dir_, kYearWidth, &years, logger)) return false;
    const int found_year = FirstAtLeast(years, year);
    if (found_year < 0) return true;
    if (found_year > year) month = day_number = 0;
    year = found_year;
    const std::string year_dir = archive_dir_ + Digits(year, kYearWidth) + kSep;
    for (;;) {
      if (!ListDayFolders(year_dir, kMonthWidth, &months, logger)) return false;
      const int found_month = FirstAtLeast(months, month);
      if (found_month < 0) break;
      if (found_month > month) day_number = 0;
      month = found_month;
      const std::string month_dir = year_dir + Digits(month, kMonthWidth) + kSep;
      if (!ListDayFolders(month_dir, kDayWidth, &days, logger)) return false;
      const int found_day = FirstAtLeast(days, day_number + 1);
      if (found_day >= 0) {
        *day = Digits(year, kYearWidth) + kSep + Digits(month, kMonthWidth) + kSep +
               Digits(found_day, kDayWidth) + kSep;
        return true;
      }
      if (days.empty()) (void)RemoveTree(month_dir, logger);
      ++month;
      day_number = 0;
    }
    if (months.empty()) (void)RemoveTree(year_dir, logger);
    ++year;
    month = day_number = 0;
  }
}

bool TArchive::RemoveDay(const std::string& day, uint16_t* flags, bool* skipped, TLogger& logger) {
  const std::string day_dir = archive_dir_ + day;
  if (!PassGateAs(kConfirmRemoveDay, gate_, "Remove day " + day_dir + " from the archive?", day_dir,
                  flags)) {
    *skipped = true;
    return false;
  }
  // Another mirror may free space in an archive whose run has closed (or
  // not begun): that removal closes again at once.
  const bool closes = !running_;
  MarkRunOpen();
  logger.LogLine("Removing day " + day_dir);
  const TCounts before = content_.Get();
  bool removed = RemoveDayFolder(day_dir, logger);
  if (!logger.IsTerminated()) {
    if (removed) {
      RemoveEmptyDirs(ParentDir(day_dir), archive_dir_.size() - 1);
      RemoveLogsUpTo(day, logger);
    } else {
      logger.LogLine("Please remove it manually.");
    }
  }
  logger.LogLine("Removed " + CountsText(Difference(before, content_.Get())));
  if (!logger.IsTerminated() && CountersImplausible()) {
    removed = ScanArchive(nullptr, logger) && removed;
  }
  if (closes) CloseRun();
  return removed;
}

// The day folder with everything in it; for today's folder while this run
// files into it, everything except the running time slot.
bool TArchive::RemoveDayFolder(const std::string& day_dir, TLogger& logger) {
  if (day_dir != day_path_ || !slot_claimed_ || !FileExists(platform_, time_slot_path_)) {
    return RemoveTree(day_dir, logger);
  }
  std::vector<DirEntry> entries;
  const Status status = platform_.ListDir(day_dir, &entries);
  if (!status.ok()) {
    logger.LogSysError(status.code(), "Could not delete " + day_dir);
    return false;
  }
  const std::string running = LastComponent(time_slot_path_);
  bool removed = true;
  for (const DirEntry& entry : entries) {
    if (entry.name != running) removed = RemoveTree(day_dir + entry.name, logger) && removed;
  }
  return removed;
}

// Removes the log files of day and older days (of the days before today when
// day is today or later); the archive's counters follow the log directory's.
void TArchive::RemoveLogsUpTo(const std::string& day, TLogger& logger) {
  if (!IsDirectory(platform_, log_dir_.log_dir())) return;
  MarkRunOpen();
  const TCounts removed_before = log_dir_.removed();
  SubtractCounts(&content_, log_dir_.kept());
  log_dir_.RemoveUpTo(day, today_, logger, use_compressed_);
  AddCounts(&content_, log_dir_.kept());
  AddCounts(&removed_, Difference(log_dir_.removed(), removed_before));
}

}  // namespace qv
