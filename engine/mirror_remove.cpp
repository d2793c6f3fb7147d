// Destination entries without a source: into the archive, unless a filter
// keeps them; and destination directories that became empty.
#include "config/config_data.h"
#include "engine/mirror.h"
#include "filesys/file_ops.h"
#include "filesys/listing.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

bool TMirror::RemoveDestFile(const TFoundDestFile& dest, uint16_t* flags) {
  if (!log().CheckSuspend()) return false;
  log().SetStatus(dest.full_path);
  if (filters_.excluded_destinations.MatchAndLog(dest.directory, dest.name, log(),
                                                 "Skipped excluded destination ",
                                                 switches().log_excluded, false, dest.full_path)) {
    dest_.included().SubFile(dest.size, dest.size_on_disk);
    dest_.excluded().AddFile(dest.size, dest.size_on_disk);
    return false;
  }
  return dest_.MoveToArchive(TArchiveItem{dest.full_path, false, dest.size, dest.size_on_disk}, "",
                             flags, log());
}

bool TMirror::IsLeftoverTemp(const TFoundDestFile& dest) {
  return !dest.IsDirectory() && platform_.IsTempName(dest.name);
}

void TMirror::RemoveLeftoverTemp(const TFoundDestFile& dest) {
  RemoveUnfinishedCopy(platform_, dest.full_path, log());
}

// A destination directory emptied entry by entry, because an excluded
// destination lies inside it.
struct TMirror::TDirEmptying {
  std::string dir;  // ends with "/"
  TWideStringList<TFoundDestFile> entries;
  int next = 0;
  int gone = 0;
};

// The directories being emptied are kept on the heap, so that a deep tree
// costs memory, not the thread's stack.
bool TMirror::RemoveDestDir(const TFoundDestFile& dest, uint16_t* flags, TItemCounters counters) {
  std::vector<TDirEmptying> open;  // innermost last
  bool removed = StartDirRemoval(dest, flags, counters, &open);
  while (!open.empty()) {
    TDirEmptying& top = open.back();
    if (top.next == top.entries.Count()) {
      removed = FinishEmptying(top);
      open.pop_back();
      if (!open.empty() && removed) ++open.back().gone;
      continue;
    }
    const TFoundDestFile& entry = *top.entries.Object(top.next++);
    if (IsLeftoverTemp(entry)) {
      RemoveLeftoverTemp(entry);
      ++top.gone;
      continue;
    }
    ++*counters.done;
    dest_.included().AddFound(entry);
    const size_t depth = open.size();
    const bool gone = entry.IsDirectory() ? StartDirRemoval(entry, flags, counters, &open)
                                          : RemoveDestFile(entry, flags);
    if (open.size() == depth && gone) ++open.back().gone;
  }
  return removed;
}

bool TMirror::StartDirRemoval(const TFoundDestFile& dest, uint16_t* flags, TItemCounters counters,
                              std::vector<TDirEmptying>* open) {
  if (!log().CheckSuspend()) return false;
  const std::string dir = dest.full_path + kSep;
  if (KeepDestDir(dest, dir, counters)) return false;
  if (filters_.excluded_destinations.MatchAndLog(dest.directory, dest.name, log(),
                                                 "Skipped excluded destination ",
                                                 switches().log_excluded, false, dir)) {
    dest_.included().DecDirs();
    CountExcludedDir(dir, &dest_.excluded(), counters);
    return false;
  }
  // A directory that holds an excluded entry cannot go as a whole.
  if (!dest.IsReparsePoint() && filters_.excluded_destinations.FindFilterInside(dir) >= 0) {
    TDirEmptying emptying;
    emptying.dir = dir;
    const Status status = ListDestDirectory(platform_, dir, &emptying.entries);
    if (!status.ok()) {
      // What it holds is unknown, so it stays.
      if (status.cond() != Cond::kNotFound) {
        log().LogSysError(status.code(), "Could not list directory " + dir);
      }
      return false;
    }
    if (!emptying.entries.Empty()) {
      open->push_back(std::move(emptying));
      return false;
    }
  }
  log().SetStatus(dir);
  return dest_.MoveToArchive(TArchiveItem{dir, true, 0, 0}, "", flags, log());
}

// A directory whose source lost its mounted volume, and the source root
// itself (a bind mount shows it inside the destination), are never archived.
bool TMirror::KeepDestDir(const TFoundDestFile& dest, const std::string& dir,
                          TItemCounters counters) {
  if (guard_.mounts().KeepsDestination(dir)) {
    dest_.included().DecDirs();
    CountExcludedDir(dir, &dest_.excluded(), counters);
    return true;
  }
  if (!guard_.IsSourceRoot(dest)) return false;
  log().LogError("The destination directory " + dir + " is the source " + source_path() +
                 " of this mirror; it is not archived");
  dest_.included().DecDirs();
  dest_.excluded().IncDirs();
  return true;
}

bool TMirror::FinishEmptying(const TDirEmptying& emptying) {
  if (emptying.gone == emptying.entries.Count()) return true;
  if (switches().log_excluded) {
    log().LogLine("Skipped remove of parent excluded destination " + emptying.dir);
  }
  dest_.included().DecDirs();
  dest_.excluded().IncDirs();
  return false;
}

void TMirror::RemoveEmptyDestDir(const std::string& dir) {
  if (!log().CheckSuspend() || dest_.mass_change().held()) return;
  log().SetStatus(dir);
  const std::string parent = ParentDir(dir);
  const std::string name = LastComponent(dir);
  // Matched quietly first: listing every directory of the walk again (a stat
  // per entry) only pays for the ones a filter names.
  if (filters_.empty_dirs.FindMatch(parent, name, dir) < 0) return;
  std::vector<DirEntry> entries;
  if (!platform_.ListDir(dir, &entries).ok() || !entries.empty()) return;
  // Matches as above; now it is logged.
  (void)filters_.empty_dirs.MatchAndLog(parent, name, log(), "Removing empty destination dir ",
                                        switches().log_excluded, false, dir);
  const auto count_as_excluded = [this] {
    dest_.included().DecDirs();
    dest_.excluded().IncDirs();
  };
  if (filters_.excluded_destinations.MatchAndLog(parent, name, log(),
                                                 "Skipped remove excluded empty destination dir ",
                                                 true, false, dir)) {
    count_as_excluded();
    return;
  }
  const std::string path = ExcludeTrailingSeparator(dir);
  FileInfo info;
  Status status = platform_.Stat(path, &info);
  if (status.ok() && (info.attributes & kAttrReadOnly) != 0) {
    status = platform_.SetAttributes(path, info.attributes & ~kAttrReadOnly);
  }
  if (status.ok()) status = platform_.RemoveDir(path);
  if (!status.ok()) {
    log().LogSysError(status.code(), "Could not delete " + dir);
    return;
  }
  count_as_excluded();
  dest_.EmptyDirRemoved();
}

}  // namespace qv
