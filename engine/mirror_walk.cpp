// The walk: one directory pair at a time, depth first, acting on every
// difference before descending.
#include <memory>
#include <utility>

#include "archive/confirm_gate.h"
#include "config/config_data.h"
#include "config/mapping.h"
#include "engine/mirror.h"
#include "engine/update_reason.h"
#include "filesys/file_times.h"
#include "filesys/listing.h"
#include "filesys/path_ops.h"
#include "log/log_dir.h"
#include "log/logger.h"

namespace qv {

namespace {

// The part of a reparse tag that tells two kinds of reparse point apart.
constexpr uint32_t kReparseTagMask = 0xE000FFFF;

TDirToProcess ChildPair(const TDirToProcess& parent, const std::string& name,
                        const TFoundFile& source, const TFoundFile* dest) {
  TDirToProcess child;
  child.source = parent.source + name + kSep;
  child.dest = parent.dest + name + kSep;
  child.entry = source;
  if (dest != nullptr) {
    child.dest_attributes = dest->attributes;
    child.min_age = parent.min_age;
  }
  return child;
}

}  // namespace

void TMirror::ProcessDirectory(TDirToProcess& pair, TItemCounters counters, uint16_t* flags) {
  // An answer given for the rest of a directory ends when the walk leaves
  // it; one given for the mirror or the scan lasts.
  uint16_t local = *flags;
  WalkPair(pair, counters, &local);
  AdoptWiderAnswer(flags, local);
}

void TMirror::WalkPair(TDirToProcess& pair, TItemCounters counters, uint16_t* flags) {
  if (!log().CheckSuspend()) return;
  log().SetStatus(pair.source);
  const bool enter =
      pair.dest_attributes == kNoDestDir ? CreateDestDir(pair, flags) : UpdateDestDir(pair, flags);
  if (!enter) return;
  TWideStringList<TFoundFile> sources(true);
  if (!ReadSourceDir(pair, counters, &sources)) return;
  std::vector<bool> taken(sources.Count(), false);
  TWideStringList<TDirToProcess> queue;
  if (!MatchDestEntries(pair, sources, &taken, &queue, counters, flags) ||
      !HandleNewSources(pair, sources, taken, &queue, counters, flags) ||
      !ProcessSubdirectories(pair, &queue, counters, flags)) {
    return;
  }
  if (pair.include_anchor) filters_.included_sources.RemoveFiltersInside(pair.source);
  if (!filters_.empty_dirs.Empty()) RemoveEmptyDestDir(pair.dest);
}

bool TMirror::MatchDestEntries(const TDirToProcess& pair,
                               const TWideStringList<TFoundFile>& sources, std::vector<bool>* taken,
                               TWideStringList<TDirToProcess>* queue, TItemCounters counters,
                               uint16_t* flags) {
  TWideStringList<TFoundDestFile> dests;
  const Status status = ListDestDirectory(platform_, pair.dest, &dests);
  if (!status.ok()) {
    log().LogSysError(status.code(), "Failed to read directory " + pair.dest);
    return false;
  }
  for (const auto& item : dests) {
    if (!log().CheckSuspend() || dest_.failed()) return false;
    const TFoundDestFile& dest = *item.object;
    if (IsArchiveEntry(pair, dest.name)) continue;
    const int i = sources.Find(dest.name);
    if (i < 0 && IsLeftoverTemp(dest)) {
      RemoveLeftoverTemp(dest);
      continue;
    }
    ++*counters.done;
    dest_.included().AddFound(dest);
    if (i < 0) {
      if (dest.IsDirectory()) {
        (void)RemoveDestDir(dest, flags, counters);
      } else {
        (void)RemoveDestFile(dest, flags);
      }
    } else if (MatchDestEntry(pair, dest, *sources.Object(i), queue, counters, flags)) {
      (*taken)[i] = true;
    }
  }
  SkipCaseTwins(pair, sources, taken);
  return true;
}

bool TMirror::MatchDestEntry(const TDirToProcess& pair, const TFoundDestFile& dest,
                             const TFoundFile& source, TWideStringList<TDirToProcess>* queue,
                             TItemCounters counters, uint16_t* flags) {
  if (!source.IsDirectory()) {
    uint8_t reasons = Compare(source, dest);
    if (reasons == 0 && source.IsReparsePoint() &&
        LinksDiffer(pair.source + dest.name, dest.full_path)) {
      reasons = kReasonWriteTime;
    }
    if (reasons != 0 && AgeAllowsUpdate(pair, dest)) {
      UpdateFile(pair, dest.name, source, &dest, reasons, counters, flags);
    }
    return true;
  }
  // A directory whose destination went stays for the pass over new entries.
  if (!dest.IsDirectory()) return !RemoveDestFile(dest, flags);
  if (DirNeedsReplacing(pair, dest.name, source, dest)) {
    return !RemoveDestDir(dest, flags, counters);
  }
  queue->Add(dest.name, std::make_unique<TDirToProcess>(ChildPair(pair, dest.name, source, &dest)));
  return true;
}

bool TMirror::DirNeedsReplacing(const TDirToProcess& pair, const std::string& name,
                                const TFoundFile& source, const TFoundFile& dest) {
  if (source.IsReparsePoint() != dest.IsReparsePoint()) return true;
  if (!source.IsReparsePoint()) return false;
  if ((source.reparse_tag & kReparseTagMask) != (dest.reparse_tag & kReparseTagMask)) return true;
  if (mapping_.settings().copy_creation_time_dir &&
      !WriteTimesEqual(source.last_write_time, dest.last_write_time, mapping_.resolution())) {
    return true;
  }
  return LinksDiffer(pair.source + name, pair.dest + name);
}

bool TMirror::HandleNewSources(const TDirToProcess& pair,
                               const TWideStringList<TFoundFile>& sources,
                               const std::vector<bool>& taken,
                               TWideStringList<TDirToProcess>* queue, TItemCounters counters,
                               uint16_t* flags) {
  for (int i = sources.Count() - 1; i >= 0; --i) {
    if (taken[i]) continue;
    if (Stopped()) return false;
    --*counters.done;
    ++*counters.outside;
    const std::string& name = sources.Text(i);
    const TFoundFile& source = *sources.Object(i);
    if (source.IsDirectory()) {
      queue->Add(name, std::make_unique<TDirToProcess>(ChildPair(pair, name, source, nullptr)));
    } else {
      UpdateFile(pair, name, source, nullptr, kReasonNewFile, counters, flags);
    }
  }
  return true;
}

bool TMirror::ProcessSubdirectories(const TDirToProcess& pair,
                                    TWideStringList<TDirToProcess>* queue, TItemCounters counters,
                                    uint16_t* flags) {
  // A pair whose destination could not be read back cannot be weighed
  // against the last scan: all below it counts as outside.
  const TItemCounters child = pair.dest_attributes == kNoDestDir
                                  ? TItemCounters{counters.outside, counters.outside}
                                  : counters;
  // Directories that lead to excluded paths go first, heaviest first; each
  // weight is used up here.
  std::vector<std::string> heavy;
  for (int i = weights_.Count() - 1; i >= 0; --i) {
    if (weights_[i].parent != pair.source) continue;
    heavy.insert(heavy.begin(), weights_[i].name);
    weights_.Delete(i);
  }
  for (const std::string& name : heavy) {
    const int i = queue->Find(name);
    if (i < 0) continue;
    if (Stopped()) return false;
    std::unique_ptr<TDirToProcess> next = queue->Take(i);
    ProcessDirectory(*next, child, flags);
  }
  for (int i = 0; i < queue->Count(); ++i) {
    if (Stopped()) return false;
    ProcessDirectory(*queue->Object(i), child, flags);
  }
  return true;
}

// The archive lives in the destination root and takes no part in the walk;
// a source entry of that name could never be mirrored there.
bool TMirror::IsArchiveEntry(const TDirToProcess& pair, const std::string& name) const {
  return name == kArchiveDirName && pair.dest == dest_path();
}

bool TMirror::Stopped() { return log().IsTerminated() || dest_.failed(); }

}  // namespace qv
