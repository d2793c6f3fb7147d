#include "config/mirror_health.h"

#include <array>
#include <cstdio>

#include "config/config_keys.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "config/settings_db.h"
#include "filesys/platform.h"

namespace qv {

namespace {

struct TResultNames {
  TScanResult result;
  const char* word;
  const char* text;
  const char* short_text;  // in a statistics row
};

constexpr std::array<TResultNames, 7> kResults{{
    {TScanResult::kNone, "", "never scanned", "not scanned"},
    {TScanResult::kCompleted, "completed", "completed", "completed"},
    {TScanResult::kCompletedWithErrors, "errors", "completed with errors", "errors"},
    {TScanResult::kCancelled, "cancelled", "cancelled", "cancelled"},
    {TScanResult::kHeld, "held", "held by the mass-change guard", "held"},
    {TScanResult::kLockedOut, "locked", "locked out by another scan", "locked out"},
    {TScanResult::kStopped, "stopped", "stopped", "stopped"},
}};

const TResultNames& NamesOf(TScanResult result) {
  for (const TResultNames& names : kResults) {
    if (names.result == result) return names;
  }
  return kResults[0];
}

constexpr int64_t kMinutesPerDay = 24 * 60;
constexpr int64_t kTicksPerMinute = 60 * kFileTimeTicksPerSecond;

}  // namespace

const char* ScanResultWord(TScanResult result) { return NamesOf(result).word; }

TScanResult ScanResultOfWord(std::string_view word) {
  for (const TResultNames& names : kResults) {
    if (!word.empty() && word == names.word) return names.result;
  }
  return TScanResult::kNone;
}

std::string ScanResultText(TScanResult result) { return NamesOf(result).text; }

std::string ScanResultWords(TScanResult result) { return NamesOf(result).short_text; }

TMirrorHealth ReadMirrorHealth(TQVIniFile& ini, const std::string& mapping_key) {
  TMirrorHealth health;
  health.last_end = ini.Read64Positive(mapping_key, "LastScanEnd", 0);
  health.result = ScanResultOfWord(ini.ReadString(mapping_key, "LastScanResult"));
  health.errors = ini.ReadInteger(mapping_key, "LastScanErrors", 0);
  health.last_good = ini.Read64Positive(mapping_key, "LastGoodScan", 0);
  return health;
}

bool WriteMirrorHealth(TQVIniFile& ini, const std::string& mapping_key, FileTime end,
                       TScanResult result, int errors) {
  TSettingsTransaction transaction(ini.db());
  bool ok = ini.Write64(mapping_key, "LastScanEnd", end) &&
            ini.WriteString(mapping_key, "LastScanResult", ScanResultWord(result)) &&
            ini.WriteInteger(mapping_key, "LastScanErrors", errors);
  if (ok && result == TScanResult::kCompleted) ok = ini.Write64(mapping_key, "LastGoodScan", end);
  return ok && transaction.Commit();
}

bool IsOverdue(const TMirrorHealth& health, FileTime now, int64_t max_age_minutes) {
  return health.last_good <= 0 || now - health.last_good > max_age_minutes * kTicksPerMinute;
}

int CountOverdue(const TMappings& mappings, TQVIniFile& ini, FileTime now,
                 int64_t max_age_minutes) {
  int overdue = 0;
  for (int i = 0; i < mappings.Count(); ++i) {
    const TMapping* mapping = mappings.Mapping(i);
    if (mapping == nullptr || !mapping->settings().enabled) continue;
    const TMirrorHealth health = ReadMirrorHealth(ini, mapping->key());
    if (health.last_end != 0 && IsOverdue(health, now, max_age_minutes)) ++overdue;
  }
  return overdue;
}

std::string LastScanWhen(const TMirrorHealth& health, Platform& platform) {
  if (health.result == TScanResult::kNone || health.last_end == 0) return "";
  const TLocalTime t = platform.ToLocalTime(health.last_end);
  char when[32];
  std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return when;
}

std::string LastScanOutcome(const TMirrorHealth& health) {
  if (health.result == TScanResult::kNone || health.last_end == 0) return "Not scanned yet";
  if (health.result != TScanResult::kCompletedWithErrors) return ScanResultWords(health.result);
  return std::to_string(health.errors) + (health.errors == 1 ? " error" : " errors");
}

std::string AgeText(int64_t minutes) {
  if (minutes < 0) minutes = 0;
  const auto two = [](int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  if (minutes < 60) return std::to_string(minutes) + " min";
  if (minutes < kMinutesPerDay) {
    return std::to_string(minutes / 60) + " h " + two(minutes % 60) + " min";
  }
  return std::to_string(minutes / kMinutesPerDay) + " d " +
         std::to_string(minutes % kMinutesPerDay / 60) + " h";
}

}  // namespace qv
