#ifndef QUORVANE_ENGINE_LISTING_READ_AHEAD_H_
#define QUORVANE_ENGINE_LISTING_READ_AHEAD_H_

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/reader_pool.h"
#include "filesys/platform.h"

namespace qv {

// Lists directories a walk will list next on reader threads of its own, so
// that the walk finds them read when it gets there. The readers only read:
// they never log, count or change anything, and an error is not reported but
// leaves the walk to list that directory itself (and log as it always does).
//
// A listing is handed out only when it is sound: read from the directory the
// walk expects (device and inode), and no change the walk made at that
// directory, or above it, since it was asked for, including while it was being
// read. Changed() is told of every change; one the readers cannot place
// (outside the roots, or a path in another spelling) spoils every listing.
//
// Memory: new reads start only while the listings held stay below the byte
// cap, so at most the cap plus the widest directories in flight.
//
// Threads: Want, Take, Forget and Changed on the walk's thread; the readers
// are joined by the destructor.
class TListingReadAhead {
 public:
  static constexpr size_t kByteCap = size_t{4} << 20;

  // roots end with "/": the paths the walk's changes are spelled below.
  TListingReadAhead(Platform& platform, std::vector<std::string> roots,
                    TReaderPool readers = TReaderPool{}, size_t byte_cap = kByteCap);
  ~TListingReadAhead();
  TListingReadAhead(const TListingReadAhead&) = delete;
  TListingReadAhead& operator=(const TListingReadAhead&) = delete;

  // The directories (ending with "/") to read next, the first first. Those
  // still waiting that are not among them are not read.
  void Want(const std::vector<std::string>& dirs);
  // Moves the listing of dir into *entries when it was read ahead soundly
  // (see above), waiting for a read in flight; false: list it yourself.
  bool Take(const std::string& dir, const DirIdentity& expect, std::vector<DirEntry>* entries);
  // Drops everything read at or below dir: the walk is done there.
  void Forget(const std::string& dir);
  // The walk changed the entry at path: the listing of its directory and of
  // everything at or below it can no longer be used.
  void Changed(const std::string& path);

 private:
  enum class TState { kQueued, kReading, kRead };
  struct TListing {
    uint64_t id = 0;
    TState state = TState::kQueued;
    bool stale = false;
    Status status;
    DirIdentity identity;
    std::vector<DirEntry> entries;
    size_t bytes = 0;
  };
  using TLock = std::unique_lock<std::mutex>;

  void AwaitRead(TLock& lock);
  void ReadLoop(bool helper);
  // Reads dir (listing id); the lock is released meanwhile.
  void ReadOne(TLock& lock, const std::string& dir, uint64_t id);
  std::shared_ptr<HeldDir> HoldParent(TLock& lock, const std::string& parent);
  void WeighRead(double micros_per_entry);
  bool Slow() const;  // under mu_
  void Wake(bool slow);
  void Drop(std::map<std::string, TListing>::iterator it);
  void SpoilAll();
  bool Placeable(const std::string& path) const;

  Platform& platform_;
  const std::vector<std::string> roots_;
  const size_t byte_cap_;
  const double slow_per_entry_;
  std::mutex mu_;
  std::condition_variable work_;  // the first reader: work queued, room freed or stopping
  std::condition_variable help_;  // the helpers: as work_, while reads are slow
  std::condition_variable read_;  // Take: a read finished
  std::map<std::string, TListing> listings_;
  std::vector<std::string> queue_;  // listings to read, the next one last
  // The parent directories the readers list from, and a count of the
  // changes that may have moved one since a reader began to hold it.
  std::map<std::string, std::shared_ptr<HeldDir>> held_;
  uint64_t moves_ = 0;
  std::atomic<uint64_t> reads_done_{0};
  uint64_t next_id_ = 1;
  size_t bytes_ = 0;
  double per_entry_ = 0;  // microseconds, weighted toward the last reads
  bool stopping_ = false;
  std::vector<std::thread> readers_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_LISTING_READ_AHEAD_H_
