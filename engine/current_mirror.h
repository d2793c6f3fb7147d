#ifndef QUORVANE_ENGINE_CURRENT_MIRROR_H_
#define QUORVANE_ENGINE_CURRENT_MIRROR_H_

#include <mutex>

namespace qv {

class TMirror;
class TMirrorInfo;

// The mirror that runs now, for the front end's statistics. A mirror sets
// itself when it starts and clears itself before it ends, so the front end
// never sees a mirror that is gone.
//
// Threads: Set and Clear on the scan thread, Snapshot on any. mu_ guards the
// reference, not the mirror: its counters synchronise themselves.
class TCurrentMirror {
 public:
  void Set(const TMirror* mirror);
  void Clear();
  // Fills *info with the paths and counters of the running mirror; false,
  // with *info unchanged, while none runs.
  bool Snapshot(TMirrorInfo* info) const;

 private:
  mutable std::mutex mu_;
  const TMirror* mirror_ = nullptr;  // GUARDED_BY(mu_)
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_CURRENT_MIRROR_H_
