#ifndef QUORVANE_STATS_DIR_INFO_H_
#define QUORVANE_STATS_DIR_INFO_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "filesys/counts.h"

namespace qv {

struct TFoundFile;

// Numbers of files and directories and the sums of their sizes and sizes on
// disk. Values may go negative for a while when items that were never counted
// are subtracted; owners treat that as a sign to recount.
//
// Every other operation is built on Add, Get, SetAll and Subtract, so that a
// subclass which guards those four (TDirInfoSync) guards them all.
// Arithmetic wraps instead of overflowing: stored values may be arbitrary.
//
// Threads: one thread at a time; share a TDirInfoSync instead.
class TDirInfo {
 public:
  TDirInfo() = default;
  explicit TDirInfo(const TCounts& counts) : counts_(counts) {}
  // Copies would slice a TDirInfoSync; use Assign or CreateCopy.
  TDirInfo(const TDirInfo&) = delete;
  TDirInfo& operator=(const TDirInfo&) = delete;
  virtual ~TDirInfo() = default;

  virtual void Add(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size);
  virtual void IncDirs();
  // Lock/Unlock bracket several reads that must agree; no-ops here.
  virtual void Lock() const {}
  // All four values read together.
  virtual TCounts Get() const;
  virtual int32_t Dirs() const;
  virtual int64_t GetCompressedSize() const;
  virtual int32_t Files() const;
  // Files plus directories; 64 bits so that the sum cannot wrap.
  virtual int64_t Items() const;
  virtual int64_t GetSize() const;
  virtual void Unlock() const {}
  virtual void SetAll(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size);
  virtual void Subtract(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size);
  virtual void DecDirs();

  void AddFile(int64_t size, int64_t compressed_size) { Add(1, 0, size, compressed_size); }
  void SubFile(int64_t size, int64_t compressed_size) { Subtract(1, 0, size, compressed_size); }
  // A directory entry counts one directory; anything else one file with its
  // size and size on disk.
  void AddFound(const TFoundFile& found);
  void AddCounters(const TDirInfo& other);
  void SubtractCounters(const TDirInfo& other);
  void Assign(const TDirInfo& other) { SetCounts(other.Get()); }
  void SetCounts(const TCounts& counts);
  void Clear() { SetAll(0, 0, 0, 0); }
  static std::unique_ptr<TDirInfo> CreateCopy(const TDirInfo& other);

  // "no files", "1 directory", "3 directories and 1,024 files of 2.50 MB",
  // plus " compressed into " + size when the size on disk differs. Sizes have
  // two decimals. Built from one Get(), so a shared counter reads consistently.
  std::string ToText() const;

 private:
  TCounts counts_;
};

// A TDirInfo whose every virtual operation holds mu_, for counters the main
// thread reads while the scan thread changes them. Lock()/Unlock() take the
// same (recursive) mutex, so Lock(); Files(); GetSize(); Unlock() on one
// thread reads values that belong together.
//
// Threads: any. mu_ guards every value of the base (GUARDED_BY(mu_)).
class TDirInfoSync : public TDirInfo {
 public:
  TDirInfoSync() = default;
  explicit TDirInfoSync(const TCounts& counts) : TDirInfo(counts) {}

  // The other virtual operations of TDirInfo go through these four, so they
  // hold the lock as well.
  void Add(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size) override;
  TCounts Get() const override;
  void SetAll(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size) override;
  void Subtract(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size) override;
  void Lock() const override { mu_.lock(); }
  void Unlock() const override { mu_.unlock(); }

 private:
  mutable std::recursive_mutex mu_;
};

}  // namespace qv

#endif  // QUORVANE_STATS_DIR_INFO_H_
