#include "versions/restore_time.h"

#include <cstdio>

#include "filesys/platform.h"
#include "versions/civil_time.h"

namespace qv {

namespace {

// "yyyy-mm-dd hh:mm" or "yyyy-mm-dd hh:mm:ss", digits where they belong.
bool ParseLocal(const std::string& text, TLocalTime* t) {
  static constexpr char kShape[] = "dddd-dd-dd dd:dd:dd";
  if (text.size() != 16 && text.size() != 19) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return false;
  }
  t->second = 0;
  std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &t->year, &t->month, &t->day, &t->hour,
              &t->minute, &t->second);
  return IsCivilDate(*t);
}

std::string UtcText(FileTime time) {
  // "2026-10-25T00:30:00.0000000Z" to the second.
  const std::string rfc = Rfc3339Text(time);
  return rfc.substr(0, 10) + " " + rfc.substr(11, 8) + " UTC";
}

}  // namespace

bool ParseRestoreTime(Platform& platform, const std::string& text,
                      const std::vector<TTimeSlot>& slots, FileTime* time, std::string* error) {
  if (text.find('/') != std::string::npos) {
    for (const TTimeSlot& slot : slots) {
      if (slot.name != text) continue;
      *time = slot.start - 1;
      return true;
    }
    *error = "the archive has no time slot " + text;
    return false;
  }
  TLocalTime local;
  if (!ParseLocal(text, &local)) {
    *error = "a time is \"yyyy-mm-dd hh:mm\", \"yyyy-mm-dd hh:mm:ss\" or a time slot's name, not " +
             text;
    return false;
  }
  bool exists = false;
  const std::vector<FileTime> meanings = LocalTimeMeanings(platform, local, &exists);
  if (meanings.size() == 1) {
    *time = meanings.front();
    return true;
  }
  // Two meanings: the clock went back over the name (told apart in UTC), or
  // skipped it (the two readings by the offsets either side).
  *error = exists ? text + " is ambiguous: the clock passed it twice, at " +
                        UtcText(meanings.front()) + " and at " + UtcText(meanings.back())
                  : text + " does not exist: the clock skipped it; it reads as " +
                        LocalTimeText(platform, meanings.front()) + " or as " +
                        LocalTimeText(platform, meanings.back());
  return false;
}

}  // namespace qv
