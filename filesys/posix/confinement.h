#ifndef QUORVANE_FILESYS_POSIX_CONFINEMENT_H_
#define QUORVANE_FILESYS_POSIX_CONFINEMENT_H_

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "filesys/posix/posix_util.h"
#include "filesys/posix/unique_fd.h"
#include "filesys/status.h"

namespace qv {

// The roots of Platform::ConfineTo and the resolution of paths below them.
//
// Below a root no symbolic link is followed on the way to an entry: the root
// itself is opened once, following links (the user chose that path), calls
// on the root reach that open directory, and the
// directories between it and the entry are resolved from its descriptor, or
// from the nearest directory on the way that is still held open (see
// Forget), with openat2(RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH), or by a walk of
// openat(O_NOFOLLOW) where the kernel has no openat2. A link met there fails
// with ELOOP, a ".." component with EINVAL. The last component is left to the
// *at call, which decides as before whether it follows a link.
//
// Threads: every method may be called from any thread, Set() too. Calls that
// run while Set() replaces the roots use the roots they started with.
class Confinement {
 public:
  Confinement();
  ~Confinement();
  Confinement(const Confinement&) = delete;
  Confinement& operator=(const Confinement&) = delete;

  // Replaces the roots (directories; a missing trailing "/" is added); an
  // empty list lifts the confinement. A root is opened when first used.
  void Set(const std::vector<std::string>& roots);

  // Answers op(AtPath) for path, whose parent directory stays open until op
  // returns; or the failure of the resolution. A root itself is "." in its
  // open descriptor. Without roots, and for a path outside every root, op
  // gets AT_FDCWD and path.
  template <typename Op>
  Status At(const std::string& path, Op op) const {
    if (!active_.load(std::memory_order_acquire)) return op(AtPath{AT_FDCWD, path.c_str()});
    Resolved entry;
    Status s = Resolve(path, &entry);
    return s.ok() ? op(entry.at) : s;
  }
  // The same for two paths, each resolved against its own root.
  template <typename Op>
  Status At(const std::string& first, const std::string& second, Op op) const {
    if (!active_.load(std::memory_order_acquire)) {
      return op(AtPath{AT_FDCWD, first.c_str()}, AtPath{AT_FDCWD, second.c_str()});
    }
    Resolved one;
    Resolved two;
    Status s = Resolve(first, &one);
    if (s.ok()) s = Resolve(second, &two);
    return s.ok() ? op(one.at, two.at) : s;
  }

  // Opens the directory dir for listing; a link as dir itself is refused
  // too, and not followed anywhere below a root. A root itself is the
  // directory it was opened as.
  // The directory stays held by the confinement too (see Forget).
  Status OpenDirectory(const std::string& dir, std::shared_ptr<const UniqueFd>* fd) const;

  // Forgets the directories resolved so far. Each root keeps the directories
  // of its last way down open (the parents resolved and the directories
  // listed, a few dozen at most), so that a walk resolves a directory once
  // and each next one from the nearest of them; a directory renamed or
  // removed through this platform must not be found under its old name
  // again. (One renamed by somebody
  // else is still used through its open descriptor: writes then land in the
  // directory itself, never behind a link.)
  void Forget() const;

  // Opens dir (O_PATH) to be held beyond the roots: a root is a duplicate of
  // its descriptor (opened now if no call below it came yet), a directory
  // below a root is reached as
  // OpenDirectory reaches it, any other directory is opened following links,
  // as a root is.
  Status Hold(const std::string& dir, UniqueFd* fd) const;
  // Opens relative below the directory open as dir_fd with flags, passing no
  // symbolic link (ELOOP) and no ".." (EINVAL) on the way.
  Status OpenBeneath(int dir_fd, std::string_view relative, int flags, UniqueFd* fd) const;

  // Resolves by the openat walk even where openat2 exists, as on kernels
  // before 5.6; lets tests cover that path.
  void set_walk_only(bool walk_only) { walk_only_.store(walk_only); }

 private:
  struct Held;
  struct Root;
  struct Roots;
  // A resolved path; at.dir belongs to parent or to a root held by roots.
  struct Resolved {
    std::shared_ptr<const Roots> roots;
    std::shared_ptr<const UniqueFd> parent;
    AtPath at;
  };

  Status Resolve(const std::string& path, Resolved* entry) const;
  // The root that holds path, or nullptr; *roots keeps it alive.
  const Root* Match(const std::string& path, std::shared_ptr<const Roots>* roots) const;
  // The root that path names itself (trailing "/"s aside), or nullptr.
  const Root* MatchRoot(const std::string& path, std::shared_ptr<const Roots>* roots) const;
  // Opens rel, a path below the directory open as root_fd, with flags.
  Status OpenBelow(int root_fd, std::string_view rel, int flags, UniqueFd* fd) const;
  // Opens rel, a path below the root open as root_fd, from the held
  // directory from (at or above rel's Key, key; none: the root).
  Status OpenFrom(const Held& from, int root_fd, std::string_view rel, const std::string& key,
                  int flags, UniqueFd* fd) const;
  Status Walk(int root_fd, std::string_view rel, int flags, UniqueFd* fd) const;

  mutable std::mutex mu_;
  std::shared_ptr<const Roots> roots_;  // guarded by mu_
  std::atomic<bool> active_{false};     // roots_ is not empty; read without the lock
  mutable std::atomic<bool> walk_only_{false};
};

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_CONFINEMENT_H_
