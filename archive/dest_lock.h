#ifndef QUORVANE_ARCHIVE_DEST_LOCK_H_
#define QUORVANE_ARCHIVE_DEST_LOCK_H_

#include <memory>
#include <string>
#include <vector>

#include "filesys/platform.h"

namespace qv {

class TLogger;

// Locks of other mirrors' destinations, held while days of their archives
// are removed.
using TDayClaims = std::vector<std::unique_ptr<DirLock>>;

// One scan at a time per destination, whichever program or settings file
// runs it: a mirror holds its destination's lock from before its archive is
// opened, counted or shrunk until it ends, and whoever removes days of
// another mirror's archive holds that mirror's lock meanwhile. The kernel
// drops the lock with the process, however that ends.
//
// Threads: the scan thread only.
class TDestLock {
 public:
  // dest_dir ends with "/".
  TDestLock(Platform& platform, std::string dest_dir);

  // Takes the lock for this run. False with one error line naming the
  // holder when another scan holds it, or the system's reason when it
  // cannot be taken.
  bool Take(TLogger& logger);
  // Takes the lock for a change of the stored counters outside a scan, which
  // a scan holding it would write back over. False, with *busy naming the
  // holder, only when another scan holds it; a lock that cannot be taken at
  // all (no destination there) cannot be held by a scan either: true.
  bool TakeUnlessBusy(std::string* busy);
  void Release() { lock_.reset(); }
  // True when this run holds the lock or *claims now holds it as well;
  // false when another scan holds it or it cannot be taken.
  bool Claim(TDayClaims* claims);
  bool held() const { return lock_ != nullptr; }

 private:
  Platform& platform_;
  const std::string dest_dir_;
  std::unique_ptr<DirLock> lock_;
};

}  // namespace qv

#endif  // QUORVANE_ARCHIVE_DEST_LOCK_H_
