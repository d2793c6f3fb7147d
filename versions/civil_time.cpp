#include "versions/civil_time.h"

#include <cstdio>
#include <set>

#include "filesys/platform.h"

namespace qv {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

TLocalTime CivilFromSeconds(int64_t seconds) {
  int64_t days = seconds / kSecondsPerDay;
  int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  TLocalTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

// The fields of t read as if they were UTC, in seconds since 1970.
int64_t NaiveSeconds(const TLocalTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 +
         t.second;
}

FileTime FromUnixSeconds(int64_t seconds) {
  return (seconds + kUnixEpochSeconds) * kFileTimeTicksPerSecond;
}

}  // namespace

std::vector<FileTime> LocalTimeMeanings(Platform& platform, const TLocalTime& local, bool* exists) {
  const int64_t wanted = NaiveSeconds(local);
  // Offsets from UTC lie within a day; the offsets in force a day before,
  // at and a day after the name give every moment that can carry it.
  std::set<int64_t> carrying, readings;
  for (const int64_t probe : {wanted - kSecondsPerDay, wanted, wanted + kSecondsPerDay}) {
    const int64_t offset = NaiveSeconds(platform.ToLocalTime(FromUnixSeconds(probe))) - probe;
    const int64_t moment = wanted - offset;
    readings.insert(moment);
    if (NaiveSeconds(platform.ToLocalTime(FromUnixSeconds(moment))) == wanted) {
      carrying.insert(moment);
    }
  }
  *exists = !carrying.empty();
  std::vector<FileTime> meanings;
  for (const int64_t moment : *exists ? carrying : readings) {
    meanings.push_back(FromUnixSeconds(moment));
  }
  return meanings;
}

FileTime FromLocalTime(Platform& platform, const TLocalTime& local) {
  bool exists = false;
  const std::vector<FileTime> meanings = LocalTimeMeanings(platform, local, &exists);
  return exists ? meanings.front() : meanings.back();
}

bool IsCivilDate(const TLocalTime& t) {
  const TLocalTime back = CivilFromSeconds(NaiveSeconds(t));
  return t.month >= 1 && t.month <= 12 && back.year == t.year && back.month == t.month &&
         back.day == t.day && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
         t.second >= 0 && t.second < 60;
}

std::string LocalTimeText(Platform& platform, FileTime time) {
  const TLocalTime t = platform.ToLocalTime(time);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::string Rfc3339Text(FileTime time) {
  const int64_t seconds = time / kFileTimeTicksPerSecond - kUnixEpochSeconds;
  const int64_t fraction = time % kFileTimeTicksPerSecond;
  const TLocalTime t = CivilFromSeconds(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%07lldZ", t.year, t.month, t.day,
                t.hour, t.minute, t.second, static_cast<long long>(fraction));
  return text;
}

}  // namespace qv
