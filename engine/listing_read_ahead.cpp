#include "engine/listing_read_ahead.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "filesys/path_ops.h"

namespace qv {

namespace {

// Held parents kept for the readers: the next pairs mostly share one.
constexpr size_t kHeldParents = 4;
// Spins of a walk waiting for a read in flight before it sleeps.
constexpr int kSpins = 2000;

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

size_t BytesOf(const std::vector<DirEntry>& entries) {
  size_t bytes = entries.capacity() * sizeof(DirEntry);
  for (const DirEntry& entry : entries) bytes += entry.name.capacity();
  return bytes;
}

bool AtOrBelow(const std::string& dir, const std::string& top) { return dir.starts_with(top); }

// No empty, "." or ".." component: the one spelling the walk uses.
bool Plain(const std::string& path) {
  const std::string own = IncludeTrailingSeparator(path);
  return own.find("//") == std::string::npos && own.find("/./") == std::string::npos &&
         own.find("/../") == std::string::npos;
}

}  // namespace

TListingReadAhead::TListingReadAhead(Platform& platform, std::vector<std::string> roots,
                                     TReaderPool readers, size_t byte_cap)
    : platform_(platform),
      roots_(std::move(roots)),
      byte_cap_(byte_cap),
      slow_per_entry_(readers.slow_per_entry) {
  for (int i = 0; i < readers.count; ++i) readers_.emplace_back([this, i] { ReadLoop(i > 0); });
}

TListingReadAhead::~TListingReadAhead() {
  {
    const std::lock_guard lock(mu_);
    stopping_ = true;
  }
  Wake(true);
  for (std::thread& reader : readers_) reader.join();
}

void TListingReadAhead::Want(const std::vector<std::string>& dirs) {
  bool added_any = false;
  bool slow = false;
  {
    const std::lock_guard lock(mu_);
    slow = Slow();
    for (const std::string& dir : queue_) {
      const auto it = listings_.find(dir);
      if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) Drop(it);
    }
    queue_.clear();
    for (auto dir = dirs.rbegin(); dir != dirs.rend(); ++dir) {
      const auto [it, added] = listings_.try_emplace(*dir);
      if (added) it->second.id = next_id_++;
      if (it->second.state == TState::kQueued) queue_.push_back(*dir);
      added_any = added_any || added;
    }
  }
  // Waking the readers costs the walk more than a listing on a warm cache.
  if (added_any) Wake(slow);
}

bool TListingReadAhead::Take(const std::string& dir, const DirIdentity& expect,
                             std::vector<DirEntry>* entries) {
  TLock lock(mu_);
  auto it = listings_.find(dir);
  if (it == listings_.end()) return false;
  const uint64_t id = it->second.id;
  if (it->second.state == TState::kReading) AwaitRead(lock);
  read_.wait(lock, [&] {
    it = listings_.find(dir);
    return it == listings_.end() || it->second.id != id || it->second.state != TState::kReading;
  });
  if (it == listings_.end() || it->second.id != id) return false;
  TListing& listing = it->second;
  const bool sound = listing.state == TState::kRead && !listing.stale && listing.status.ok() &&
                     expect.inode != 0 && listing.identity.inode == expect.inode &&
                     listing.identity.device == expect.device;
  if (sound) *entries = std::move(listing.entries);
  const bool was_full = bytes_ >= byte_cap_;
  const bool slow = Slow();
  Drop(it);
  lock.unlock();
  if (was_full) Wake(slow);  // room for the next read
  return sound;
}

// A read in flight on a warm cache ends within microseconds: a short spin
// spares the walk a sleep and a wake-up, which cost more.
void TListingReadAhead::AwaitRead(TLock& lock) {
  const uint64_t seen = reads_done_.load(std::memory_order_relaxed);
  lock.unlock();
  for (int i = 0; i < kSpins && reads_done_.load(std::memory_order_acquire) == seen; ++i) {
    CpuRelax();
  }
  lock.lock();
}

void TListingReadAhead::Forget(const std::string& dir) {
  bool was_full = false;
  bool slow = false;
  {
    const std::lock_guard lock(mu_);
    was_full = bytes_ >= byte_cap_;
    slow = Slow();
    for (auto it = listings_.lower_bound(dir);
         it != listings_.end() && AtOrBelow(it->first, dir);) {
      Drop(it++);
    }
  }
  if (was_full) Wake(slow);
}

void TListingReadAhead::Changed(const std::string& path) {
  const std::lock_guard lock(mu_);
  if (!Placeable(path)) return SpoilAll();
  const std::string parent = ParentDir(path);
  const std::string top = IncludeTrailingSeparator(path);
  for (auto& [dir, listing] : listings_) {
    if (dir == parent || AtOrBelow(dir, top)) listing.stale = true;
  }
  ++moves_;
  std::erase_if(held_, [&](const auto& held) { return AtOrBelow(held.first, top); });
}

void TListingReadAhead::ReadLoop(bool helper) {
  TLock lock(mu_);
  for (;;) {
    (helper ? help_ : work_).wait(lock, [&] {
      return stopping_ || (!queue_.empty() && bytes_ < byte_cap_ && (!helper || Slow()));
    });
    if (stopping_) return;
    const std::string dir = std::move(queue_.back());
    queue_.pop_back();
    const auto it = listings_.find(dir);
    if (it == listings_.end() || it->second.state != TState::kQueued) continue;
    it->second.state = TState::kReading;
    ReadOne(lock, dir, it->second.id);
  }
}

void TListingReadAhead::ReadOne(TLock& lock, const std::string& dir, uint64_t id) {
  const std::string parent = ParentDir(dir);
  std::shared_ptr<HeldDir> held = HoldParent(lock, parent);
  TListing read;
  lock.unlock();
  const auto start = std::chrono::steady_clock::now();
  read.status = held ? platform_.ListDirAt(*held, LastComponent(dir), &read.entries, &read.identity)
                     : Status::FromErrno(ENOENT);
  read.bytes = BytesOf(read.entries);
  held.reset();
  const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
  lock.lock();
  WeighRead(took.count() / static_cast<double>(read.entries.size() + 1));
  const auto it = listings_.find(dir);
  if (it != listings_.end() && it->second.id == id && it->second.state == TState::kReading) {
    TListing& listing = it->second;
    listing.state = TState::kRead;
    listing.status = read.status;
    listing.identity = read.identity;
    listing.entries = std::move(read.entries);
    listing.bytes = read.bytes;
    bytes_ += read.bytes;
  }
  reads_done_.fetch_add(1, std::memory_order_release);
  read_.notify_all();
}

// The helpers read only while reads wait on a disk: on a warm cache they
// would cost the walk more in handing over than they save.
void TListingReadAhead::WeighRead(double micros_per_entry) {
  constexpr double kWeight = 1.0 / 8;
  const bool was_slow = Slow();
  per_entry_ += (micros_per_entry - per_entry_) * kWeight;
  if (!was_slow && Slow()) help_.notify_all();
}

bool TListingReadAhead::Slow() const { return per_entry_ >= slow_per_entry_; }

// Helpers sleeping through a warm cache are not woken for every new listing.
void TListingReadAhead::Wake(bool slow) {
  work_.notify_all();
  if (slow) help_.notify_all();
}

// A parent held before a change that may have moved it is not kept: a later
// read through it would list the old place.
std::shared_ptr<HeldDir> TListingReadAhead::HoldParent(TLock& lock, const std::string& parent) {
  if (const auto it = held_.find(parent); it != held_.end()) return it->second;
  const uint64_t moves = moves_;
  lock.unlock();
  std::unique_ptr<HeldDir> opened;
  const bool ok = platform_.HoldDir(parent, &opened).ok();
  lock.lock();
  if (!ok) return nullptr;
  std::shared_ptr<HeldDir> held(std::move(opened));
  if (moves == moves_) {
    if (held_.size() >= kHeldParents) held_.clear();
    held_.emplace(parent, held);
  }
  return held;
}

void TListingReadAhead::Drop(std::map<std::string, TListing>::iterator it) {
  if (it == listings_.end()) return;
  bytes_ -= it->second.bytes;
  listings_.erase(it);
}

void TListingReadAhead::SpoilAll() {
  for (auto& entry : listings_) entry.second.stale = true;
  ++moves_;
  held_.clear();
}

bool TListingReadAhead::Placeable(const std::string& path) const {
  if (!Plain(path)) return false;
  const std::string own = IncludeTrailingSeparator(path);
  return std::any_of(roots_.begin(), roots_.end(),
                     [&](const std::string& root) { return own.starts_with(root); });
}

}  // namespace qv
