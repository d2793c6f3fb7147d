// The size limits of the archive.
#include <algorithm>

#include "archive/archive.h"
#include "archive/confirm_gate.h"
#include "config/mapping.h"
#include "config/mass_change.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

bool TArchive::CheckLimits(int64_t* items, uint16_t* flags, TLogger& logger) {
  if (content_.GetSize() < 0 && !ScanArchive(items, logger)) return false;
  const TMappingSettings& settings = mapping_.settings();
  const std::pair<TArchiveMeasure, int64_t> limits[] = {
      {TArchiveMeasure::kSize, settings.max_archive_size},
      {TArchiveMeasure::kCompressedSize, settings.max_compressed_archive_size}};
  for (const auto& [measure, maximum] : limits) {
    const int64_t value = Measure(measure);
    if (value > maximum && DaysHeld()) {
      ReportDaysHeld(logger);
      continue;
    }
    // Nothing but logs, yet more folders than the archive and its log
    // directory: empty year folders are left to clear.
    const bool only_logs = value <= LogMeasure(measure) && content_.Dirs() >= 3;
    bool skipped = false;
    if ((value > maximum || only_logs) &&
        !Shrink(measure, flags, &skipped, maximum, maximum, logger)) {
      return false;
    }
  }
  return true;
}

bool TArchive::Shrink(TArchiveMeasure measure, uint16_t* flags, bool* skipped, int64_t maximum,
                      int64_t threshold, TLogger& logger) {
  *skipped = false;
  if (DaysHeld()) {
    // As a declined removal: the limit is not met, and that is no failure.
    *skipped = true;
    ReportDaysHeld(logger);
    return false;
  }
  const int64_t target = std::min(threshold - kShrinkMargin, maximum);
  std::string last = kNoDay;
  while (Measure(measure) > target) {
    std::string day;
    if (!FindOldestDay(last, &day, logger)) return false;
    if (day.empty()) return ShrinkWithoutDays(measure, maximum, logger);
    uint16_t copy = *flags;
    (void)RemoveDay(day, &copy, skipped, logger);
    if (logger.IsTerminated()) return false;
    if (*skipped) {
      AdoptWiderAnswer(flags, copy);
      return false;
    }
    last = day;
  }
  return true;
}

// No day is left to remove.
bool TArchive::ShrinkWithoutDays(TArchiveMeasure measure, int64_t maximum, TLogger& logger) {
  if (Measure(measure) <= maximum) return true;
  if (Measure(measure) > LogMeasure(measure)) {
    if (!ScanArchive(nullptr, logger)) return false;
    if (Measure(measure) <= maximum) return true;
    if (Measure(measure) > LogMeasure(measure)) {
      logger.LogError("There are files in the directory " + archive_dir_ +
                      " that cannot be removed by Quorvane. Please remove them manually.");
      return false;
    }
  }
  if (maximum >= 0) {
    RemoveLogsUpTo(today_, logger);
    return true;
  }
  logger.LogError("The destination for this mirror is too small. Need at least " +
                  SizeText(-maximum, 2) + " more space to store all files.");
  return false;
}

bool TArchive::DaysHeld() {
  return days_held_ || !ReadMassChangeHold(ini_, mapping_.key()).empty();
}

bool TArchive::MayGiveUpDays(TDayClaims* claims) { return !DaysHeld() && lock_.Claim(claims); }

void TArchive::ReportDaysHeld(TLogger& logger) {
  if (days_held_reported_) return;
  days_held_reported_ = true;
  logger.LogLine("Kept every day of the archive " + archive_dir_ +
                 " over its limits: the mirror holds a mass change");
}

}  // namespace qv
