#ifndef QUORVANE_CONFIG_MIRROR_HEALTH_H_
#define QUORVANE_CONFIG_MIRROR_HEALTH_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "filesys/local_time.h"

namespace qv {

class Platform;
class TMappings;
class TQVIniFile;

// How a mirror's last run ended. Stored as a word (ScanResultWord) so that
// scripts reading the store and later versions agree on it.
enum class TScanResult {
  kNone,                 // never run
  kCompleted,            // "completed": walked to its end without an error
  kCompletedWithErrors,  // "errors": walked to its end, errors logged
  kCancelled,            // "cancelled": a root missing, moved or unwritable
  kHeld,                 // "held": the mass-change guard holds it
  kLockedOut,            // "locked": another scan holds the destination
  kStopped,              // "stopped": the user stopped the scan during it
};

// The stored word; "" for kNone.
const char* ScanResultWord(TScanResult result);
// kNone for a word that names no result.
TScanResult ScanResultOfWord(std::string_view word);
// "completed with errors", "held by the mass-change guard", "never scanned" ...
std::string ScanResultText(TScanResult result);
// The same in a word or two: "errors", "held", "locked out" ...
std::string ScanResultWords(TScanResult result);

// What the store holds of a mirror's last run (values under its mapping key:
// LastScanEnd, LastScanResult, LastScanErrors, LastGoodScan); times 0 when
// none is stored.
struct TMirrorHealth {
  FileTime last_end = 0;
  TScanResult result = TScanResult::kNone;
  int32_t errors = 0;
  FileTime last_good = 0;  // end of the last run without errors
  bool operator==(const TMirrorHealth&) const = default;
};

TMirrorHealth ReadMirrorHealth(TQVIniFile& ini, const std::string& mapping_key);
// Stores the end of a run in one transaction; LastGoodScan only moves for a
// run that completed without errors.
bool WriteMirrorHealth(TQVIniFile& ini, const std::string& mapping_key, FileTime end,
                       TScanResult result, int errors);

// No good scan ended within max_age_minutes before now.
bool IsOverdue(const TMirrorHealth& health, FileTime now, int64_t max_age_minutes);

// The enabled mirrors that ran before and had no good scan within
// max_age_minutes before now: the window does not count a mirror before its
// first run, as status does.
int CountOverdue(const TMappings& mappings, TQVIniFile& ini, FileTime now, int64_t max_age_minutes);

// When the last run ended, "2026-12-08 03:00" in local time; "" for none.
std::string LastScanWhen(const TMirrorHealth& health, Platform& platform);
// How it ended in a word or two: "completed", "3 errors", "held" ...; "Not
// scanned yet" for none.
std::string LastScanOutcome(const TMirrorHealth& health);

// "45 min", "3 h 05 min", "2 d 4 h": a span of minutes, rounded down.
std::string AgeText(int64_t minutes);

}  // namespace qv

#endif  // QUORVANE_CONFIG_MIRROR_HEALTH_H_
