// The walk: one directory pair at a time, depth first, acting on every
// difference before descending.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "archive/confirm_gate.h"
#include "config/config_data.h"
#include "config/mapping.h"
#include "engine/mirror.h"
#include "engine/scan_context.h"
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
  child.excluded_by = parent.excluded_by;
  for (const auto& [covered, exclusion] : parent.covered) {
    if (covered == name) child.excluded_by = exclusion;
  }
  if (dest != nullptr) {
    child.dest_attributes = dest->attributes;
    child.dest_found = *dest;
    child.min_age = parent.min_age;
  }
  return child;
}

}  // namespace

// One directory pair of the walk while its subdirectories are processed.
struct TMirror::TWalkFrame {
  TWalkFrame(TDirToProcess* walked, TItemCounters counted, uint16_t answers)
      : pair(walked), counters(counted), flags(answers) {}

  TDirToProcess* pair;  // the root, or owned by the parent frame's children
  TItemCounters counters;
  // A copy of the answers: one given for the rest of this directory ends
  // when the walk leaves it; one given for the mirror or the scan lasts.
  uint16_t flags;
  // Set once the pair has been listed and settled: its subdirectories in the
  // order they are walked, and the counters they count into.
  bool entered = false;
  std::vector<std::unique_ptr<TDirToProcess>> children;
  size_t next = 0;
  TItemCounters child_counters{};
};

// The frames live on the heap: the depth of a tree costs memory, never the
// thread's stack.
void TMirror::ProcessDirectory(TDirToProcess& root, TItemCounters counters, uint16_t* flags) {
  StartReadAhead();
  std::vector<TWalkFrame> stack;
  stack.emplace_back(&root, counters, *flags);
  stack.back().entered = EnterPair(stack.back());
  ReadAhead(stack, nullptr);
  while (!stack.empty()) {
    TWalkFrame& top = stack.back();
    if (top.entered && top.next < top.children.size()) {
      if (!Stopped()) {
        TWalkFrame child(top.children[top.next++].get(), top.child_counters, top.flags);
        stack.push_back(std::move(child));  // top goes stale here
        ReadAhead(stack, stack.back().pair);
        stack.back().entered = EnterPair(stack.back());
        ReadAhead(stack, nullptr);
        continue;
      }
      top.entered = false;  // left without the work done after the subdirectories
    }
    if (top.entered) LeavePair(*top.pair);
    // The root's own times and mode wait for the end of the mirror.
    if (stack.size() > 1) SettleDestDir(*top.pair);
    if (ahead_) {
      ahead_->Forget(top.pair->source);
      ahead_->Forget(top.pair->dest);
    }
    const uint16_t answers = top.flags;
    stack.pop_back();
    AdoptWiderAnswer(stack.empty() ? flags : &stack.back().flags, answers);
  }
  StopReadAhead();
}

// The readers list through the platform below the mirror's wrappers: they
// neither count as writes nor report changes.
void TMirror::StartReadAhead() {
  if (context_.read_ahead.count == 0) return;
  ahead_ = std::make_unique<TListingReadAhead>(
      context_.platform, std::vector<std::string>{source_path(), dest_path()},
      context_.read_ahead);
  changes_.ReportTo(ahead_.get());
}

void TMirror::StopReadAhead() {
  changes_.ReportTo(nullptr);
  ahead_.reset();
}

// A window of pairs: far enough to keep the readers busy while the walk
// settles one pair, near enough that few are read again after a change. The
// destinations come first, near to far, then the sources from the far end:
// the walk lists a near source itself when it gets there first, so that it
// and a reader seldom want the same listing at once (a wait costs more than
// a listing on a warm cache).
void TMirror::ReadAhead(const std::vector<TWalkFrame>& stack, const TDirToProcess* entering) {
  constexpr size_t kPairs = 8;
  if (!ahead_) return;
  std::vector<std::string> dirs;
  std::vector<std::string> sources;
  if (entering != nullptr && entering->dest_attributes != kNoDestDir) {
    dirs.push_back(entering->dest);
  }
  size_t pairs = 0;
  for (auto frame = stack.rbegin(); frame != stack.rend() && pairs < kPairs; ++frame) {
    if (!frame->entered) continue;
    for (size_t i = frame->next; i < frame->children.size() && pairs < kPairs; ++i, ++pairs) {
      const TDirToProcess& next = *frame->children[i];
      sources.push_back(next.source);
      if (next.dest_attributes != kNoDestDir) dirs.push_back(next.dest);
    }
  }
  dirs.insert(dirs.end(), sources.rbegin(), sources.rend());
  ahead_->Want(dirs);
}

Status TMirror::ListSource(const TDirToProcess& pair, TWideStringList<TFoundFile>* list) {
  std::vector<DirEntry> entries;
  if (ahead_ && ahead_->Take(pair.source, {pair.entry.device, pair.entry.inode}, &entries)) {
    FillDirectory(std::move(entries), list);
    return Status::Ok();
  }
  return ListDirectory(platform_, pair.source, list);
}

Status TMirror::ListDest(const TDirToProcess& pair, TWideStringList<TFoundDestFile>* list) {
  std::vector<DirEntry> entries;
  const DirIdentity expect{pair.dest_found.device, pair.dest_found.inode};
  if (ahead_ && ahead_->Take(pair.dest, expect, &entries)) {
    FillDestDirectory(pair.dest, std::move(entries), list);
    return Status::Ok();
  }
  return ListDestDirectory(platform_, pair.dest, list);
}

bool TMirror::EnterPair(TWalkFrame& frame) {
  TDirToProcess& pair = *frame.pair;
  uint16_t* flags = &frame.flags;
  if (!log().CheckSuspend()) return false;
  log().SetStatus(pair.source);
  const bool enter =
      pair.dest_attributes == kNoDestDir ? CreateDestDir(pair, flags) : UpdateDestDir(pair, flags);
  if (!enter) return false;
  TWideStringList<TFoundFile> sources(true);
  if (!ReadSourceDir(pair, frame.counters, &sources)) return false;
  std::vector<bool> taken(sources.Count(), false);
  TWideStringList<TDirToProcess> queue;
  if (!MatchDestEntries(pair, sources, &taken, &queue, frame.counters, flags) ||
      !HandleNewSources(pair, sources, taken, &queue, frame.counters, flags)) {
    return false;
  }
  // A pair whose destination could not be read back cannot be weighed
  // against the last scan: all below it counts as outside.
  frame.child_counters = pair.dest_attributes == kNoDestDir
                             ? TItemCounters{frame.counters.outside, frame.counters.outside}
                             : frame.counters;
  OrderSubdirectories(pair, &queue, &frame.children);
  return true;
}

void TMirror::LeavePair(const TDirToProcess& pair) {
  if (pair.include_anchor) filters_.included_sources.RemoveFiltersInside(pair.source);
  if (!filters_.empty_dirs.Empty()) RemoveEmptyDestDir(pair.dest);
}

bool TMirror::MatchDestEntries(const TDirToProcess& pair,
                               const TWideStringList<TFoundFile>& sources, std::vector<bool>* taken,
                               TWideStringList<TDirToProcess>* queue, TItemCounters counters,
                               uint16_t* flags) {
  TWideStringList<TFoundDestFile> dests;
  const Status status = ListDest(pair, &dests);
  if (!status.ok()) {
    log().LogSysError(status.code(), "Failed to read directory " + pair.dest);
    return false;
  }
  for (const auto& item : dests) {
    if (!log().CheckSuspend() || dest_.stopped()) return false;
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
    if (reasons != 0 && !AgeAllowsUpdate(pair, dest)) return true;
    if (reasons != 0) UpdateFile(pair, dest.name, source, &dest, reasons, counters, flags);
    // A copy carries its security descriptor; without one it is brought over
    // in place.
    if ((reasons & ~kReasonAttributes) == 0 && SecurityMayDiffer(source, dest)) {
      BringSecurityOver(pair.source + dest.name, dest.full_path, flags);
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

void TMirror::OrderSubdirectories(const TDirToProcess& pair, TWideStringList<TDirToProcess>* queue,
                                  std::vector<std::unique_ptr<TDirToProcess>>* order) {
  // Directories that lead to excluded paths go first, heaviest first; each
  // weight is used up here.
  std::vector<std::string> heavy;
  for (int i = weights_.Count() - 1; i >= 0; --i) {
    if (weights_[i].parent != pair.source) continue;
    heavy.insert(heavy.begin(), weights_[i].name);
    weights_.Delete(i);
  }
  order->reserve(queue->Count());
  for (const std::string& name : heavy) {
    const int i = queue->Find(name);
    if (i >= 0) order->push_back(queue->Take(i));
  }
  const auto rest = order->end() - order->begin();
  while (!queue->Empty()) order->push_back(queue->Take(queue->Count() - 1));
  std::reverse(order->begin() + rest, order->end());
}

// The archive (and the lock file, where there is one) lives in the
// destination root and takes no part in the walk; a source entry of that
// name could never be mirrored there.
bool TMirror::IsArchiveEntry(const TDirToProcess& pair, const std::string& name) const {
  return (name == kArchiveDirName || name == kLockFileName) && pair.dest == dest_path();
}

bool TMirror::Stopped() { return log().IsTerminated() || dest_.stopped(); }

}  // namespace qv
