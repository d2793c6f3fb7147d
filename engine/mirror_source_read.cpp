// Reading a source directory: which entries take part in the mirror, which
// are excluded, and what excluded directories hold.
#include <algorithm>
#include <memory>
#include <utility>

#include "config/config_data.h"
#include "engine/mirror.h"
#include "filesys/listing.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

std::string FullPath(const std::string& dir, const std::string& name, const TFoundFile& entry) {
  return entry.IsDirectory() ? dir + name + kSep : dir + name;
}

const char* IncludePrefix(const TFilter& filter) {
  return (filter.required_attributes & kAttrDirectory) != 0 ? "Included source dir "
                                                            : "Included source ";
}

}  // namespace

bool TMirror::ReadSourceDir(TDirToProcess& pair, TItemCounters counters,
                            TWideStringList<TFoundFile>* list) {
  log().SetStatus(pair.source);
  TWideStringList<TFoundFile> found;
  const Status status = ListSource(pair, &found);
  // A directory that cannot be read is never taken for an empty one: the
  // pair is skipped and its destination stays as it is. One that vanished
  // (or is no directory now) since its parent was listed goes when the next
  // scan lists the parent without it; an error tells nothing of the rest.
  if (status.cond() == Cond::kNotFound) {
    log().LogWarning(pair.source + " vanished before it could be read");
    return false;
  }
  if (!status.ok()) {
    log().LogSysError(status.code(), "Failed to read directory " + pair.source);
    return false;
  }
  const bool root = pair.source == source_path();
  guard_.mounts().Observe(pair.source, pair.dest,
                          root ? guard_.source_root().device : pair.entry.device, found, log());
  list->Reserve(found.Count());
  std::vector<int> open;
  open.reserve(found.Count());
  for (int i = 0; i < found.Count(); ++i) {
    if (!log().CheckSuspend()) return false;
    ++*counters.done;
    if (!SkipEntry(pair, found.Text(i), *found.Object(i), counters)) open.push_back(i);
  }
  if (!ApplyIncludes(pair, found, &open, counters, list)) return false;
  PlaceRemaining(pair, found, open, counters, list);
  // Plain paths of this directory cannot match anywhere else.
  filters_.excluded_sources.RemoveFiltersOfDirectory(pair.source);
  return true;
}

bool TMirror::SkipEntry(const TDirToProcess& pair, const std::string& name, const TFoundFile& entry,
                        TItemCounters counters) {
  if (guard_.mounts().Skipped(pair.source + name + kSep)) {
    // Observe said why; its destination stays.
  } else if (IsArchiveEntry(pair, name)) {
    ExcludeSource(FullPath(pair.source, name, entry), entry, counters);
  } else if (guard_.IsDestinationOrArchive(entry)) {
    // A bind mount shows the destination inside the source: copying it
    // would copy the destination into itself, level by level.
    const std::string path = FullPath(pair.source, name, entry);
    log().LogLine("Skipped the destination of this mirror found in its source " + path);
    source_.excluded().IncDirs();
  } else if ((entry.attributes & kAttrTemporary) != 0) {
    const std::string path = pair.source + name;
    log().LogLine("Skipped temporary file " + path);
    if (entry.IsDirectory()) {
      ExcludeSource(path + kSep, entry, counters);
    } else {
      source_.AddSkipped(entry);
    }
  } else if ((entry.attributes & kAttrDevice) != 0) {
    // Reading a FIFO would block forever; a device holds no file to copy.
    log().LogLine("Skipped special file " + pair.source + name);
    source_.AddSkipped(entry);
  } else {
    return false;
  }
  return true;
}

bool TMirror::ApplyIncludes(TDirToProcess& pair, const TWideStringList<TFoundFile>& found,
                            std::vector<int>* open, TItemCounters counters,
                            TWideStringList<TFoundFile>* list) {
  std::vector<int> rest;
  for (const int i : *open) {
    const std::string& name = found.Text(i);
    const TFoundFile& entry = *found.Object(i);
    const std::string full = FullPath(pair.source, name, entry);
    bool direct = false;
    int rank = kUnranked;
    const int f = FindInclusion(filters_.included_sources, pair.source, name, entry.attributes,
                                full, &direct, &rank);
    if (f < 0) {
      rest.push_back(i);
      continue;
    }
    const TFilter& filter = filters_.included_sources.Filter(f);
    // Entries below an included directory are not logged one by one.
    if (!direct) pair.include_anchor = true;
    const char* prefix = direct ? IncludePrefix(filter) : nullptr;
    TakeIntoList(pair, TIncluded{name, entry, full, rank, &filter, prefix}, counters, list);
    if (log().IsTerminated()) return false;
  }
  *open = std::move(rest);
  return true;
}

void TMirror::PlaceRemaining(TDirToProcess& pair, const TWideStringList<TFoundFile>& found,
                             const std::vector<int>& open, TItemCounters counters,
                             TWideStringList<TFoundFile>* list) {
  for (const int i : open) {
    const std::string& name = found.Text(i);
    const TFoundFile& entry = *found.Object(i);
    const std::string full = FullPath(pair.source, name, entry);
    // A directory on the way to an included source further down is entered;
    // it is not included itself, so any exclusion covers it.
    const int f = entry.IsDirectory() && !entry.IsReparsePoint()
                      ? filters_.included_sources.FindFilterInside(full)
                      : -1;
    if (f >= 0) {
      TakeIntoList(pair,
                   TIncluded{name, entry, full, kUnranked, &filters_.included_sources.Filter(f),
                             "Included parent source "},
                   counters, list);
    } else {
      ExcludeSource(full, entry, counters);
    }
  }
}

// An exclusion keeps the entry out unless the include outranks it (see
// TFilter::Rank).
void TMirror::TakeIntoList(TDirToProcess& pair, TIncluded included, TItemCounters counters,
                           TWideStringList<TFoundFile>* list) {
  const std::string& full = included.full;
  const int x =
      filters_.excluded_sources.FindExclusion(pair.source, included.name, full, included.rank);
  const bool carried = pair.excluded_by && pair.excluded_by->rank >= included.rank;
  if ((x >= 0 || carried) && !EnterCovered(pair, x, &included)) {
    LogExcluded(pair, x, full);
    ExcludeSource(full, included.entry, counters);
    return;
  }
  const TFilter& filter = *included.filter;
  if (included.prefix != nullptr && switches().log_excluded && filter.log) {
    log().LogLine(included.prefix + full +
                  (full == filter.pattern ? "" : " matching " + filter.pattern));
  }
  list->Add(included.name, std::make_unique<TFoundFile>(included.entry));
  source_.included().AddFound(included.entry);
}

// A directory that the user's exclusion x (or, when x is -1, the one the
// pair carries) covers, but that leads to a more specific included source,
// is entered all the same: *included then names that source, and the
// exclusion goes down with the directory. An exclusion that protects is
// never entered.
bool TMirror::EnterCovered(TDirToProcess& pair, int x, TIncluded* included) {
  const TFoundFile& entry = included->entry;
  if (!entry.IsDirectory() || entry.IsReparsePoint()) return false;
  const TFilters& exclusions = filters_.excluded_sources;
  if (x >= 0 && exclusions.Filter(x).protects) return false;
  const int inside = filters_.included_sources.FindFilterInside(included->full);
  if (inside < 0) return false;
  if (x >= 0) {
    const TFilter& exclusion = exclusions.Filter(x);
    const int rank = exclusion.Rank(included->full);
    // Below it, the higher of the two ranks decides.
    if (!pair.excluded_by || rank >= pair.excluded_by->rank) {
      pair.covered.emplace_back(included->name,
                                TCoveringExclusion{exclusion.pattern, rank, exclusion.log});
    }
  }
  included->filter = &filters_.included_sources.Filter(inside);
  included->prefix = "Included parent source ";
  return true;
}

void TMirror::LogExcluded(const TDirToProcess& pair, int x, const std::string& full) {
  const bool logged = switches().log_excluded;
  if (x >= 0) {
    filters_.excluded_sources.LogMatch(x, log(), "Skipped excluded source ", logged, true, full);
  } else if (logged && pair.excluded_by->log) {
    log().LogLine("Skipped excluded source " + full + " matching " + pair.excluded_by->pattern);
  }
}

void TMirror::ExcludeSource(const std::string& full, const TFoundFile& entry,
                            TItemCounters counters) {
  if (entry.IsDirectory()) {
    CountExcludedDir(full, &source_.excluded(), counters);
  } else {
    source_.excluded().AddFound(entry);
  }
}

void TMirror::CountExcludedDir(const std::string& dir, TDirInfo* counters, TItemCounters items) {
  counters->IncDirs();
  if (!switches().scan_excluded_dirs) return;
  TCounts counts;
  int64_t visited = 0;
  (void)DirectorySize(platform_, dir, &counts, &visited, log(), kDirSizeOnDisk);
  counters->Add(counts.files, counts.dirs, counts.size, counts.compressed_size);
  log().LogLine(dir + " reports " + TDirInfo(counts).ToText());
  *(excluded_dirs_new_ ? items.outside : items.done) += static_cast<int32_t>(visited);
}

}  // namespace qv
