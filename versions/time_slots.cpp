#include "versions/time_slots.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "versions/civil_time.h"

namespace qv {

namespace {

bool AllDigits(const std::string& text, size_t width) {
  return text.size() == width &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "hh mm ss" or "hh mm ss (n)"; *n is 1 without a suffix.
bool ParseSlotName(const std::string& name, TLocalTime* t, int* n) {
  int used = 0;
  if (std::sscanf(name.c_str(), "%2d %2d %2d%n", &t->hour, &t->minute, &t->second, &used) != 3 ||
      used != 8 || !AllDigits(name.substr(0, 2) + name.substr(3, 2) + name.substr(6, 2), 6)) {
    return false;
  }
  *n = 1;
  if (name.size() == 8) return true;
  const std::string suffix = name.substr(8);
  return suffix.size() > 4 && suffix.starts_with(" (") && suffix.back() == ')' &&
         AllDigits(suffix.substr(2, suffix.size() - 3), suffix.size() - 3) &&
         std::sscanf(suffix.c_str() + 2, "%d", n) == 1;
}

// Names of the sub-folders of dir, or none when it cannot be listed.
std::vector<std::string> Folders(Platform& platform, const std::string& dir) {
  std::vector<DirEntry> entries;
  std::vector<std::string> names;
  if (!platform.ListDir(dir, &entries).ok()) return names;
  for (const DirEntry& entry : entries) {
    if (entry.info.IsDirectory() && !entry.info.IsReparsePoint()) names.push_back(entry.name);
  }
  return names;
}

struct TFoundSlot {
  TTimeSlot slot;
  std::tuple<int, int, int, int, int, int, int> order;
};

void AddDaySlots(Platform& platform, const std::string& archive_dir, const std::string& day,
                 TLocalTime date, std::vector<TFoundSlot>* found) {
  for (const std::string& name : Folders(platform, archive_dir + day)) {
    TLocalTime t = date;
    int n = 0;
    if (!ParseSlotName(name, &t, &n)) continue;
    TFoundSlot slot{{day + name, archive_dir + day + name + "/", 0},
                    {t.year, t.month, t.day, t.hour, t.minute, t.second, n}};
    FileInfo info;
    const bool born = platform.StatWithBirth(slot.slot.path, &info).ok() && info.birth_known;
    slot.slot.start = born ? info.birth_time : FromLocalTime(platform, t);
    found->push_back(std::move(slot));
  }
}

}  // namespace

Status ListTimeSlots(Platform& platform, const std::string& archive_dir,
                     std::vector<TTimeSlot>* slots) {
  slots->clear();
  std::vector<DirEntry> top;
  const Status listed = platform.ListDir(archive_dir, &top);
  if (listed.cond() == Cond::kNotFound) return Status::Ok();
  if (!listed.ok()) return listed;
  std::vector<TFoundSlot> found;
  for (const std::string& year : Folders(platform, archive_dir)) {
    if (!AllDigits(year, 4)) continue;
    for (const std::string& month : Folders(platform, archive_dir + year + "/")) {
      if (!AllDigits(month, 2)) continue;
      for (const std::string& day : Folders(platform, archive_dir + year + "/" + month + "/")) {
        if (!AllDigits(day, 2)) continue;
        TLocalTime date;
        date.year = std::stoi(year);
        date.month = std::stoi(month);
        date.day = std::stoi(day);
        AddDaySlots(platform, archive_dir, year + "/" + month + "/" + day + "/", date, &found);
      }
    }
  }
  std::sort(found.begin(), found.end(),
            [](const TFoundSlot& a, const TFoundSlot& b) { return a.order < b.order; });
  for (TFoundSlot& slot : found) slots->push_back(std::move(slot.slot));
  return Status::Ok();
}

}  // namespace qv
