#include "filesys/posix/confinement.h"

#include <algorithm>
#include <string_view>

#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr int kSearchFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// rel without leading "/" (the path "/r//b" below the root "/r/" leaves "/b").
std::string_view SkipSlashes(std::string_view rel) {
  const size_t start = rel.find_first_not_of('/');
  return start == std::string_view::npos ? std::string_view() : rel.substr(start);
}

// path without its trailing "/"s ("" for "/").
std::string_view WithoutTrailingSlashes(std::string_view path) {
  const size_t end = path.find_last_not_of('/');
  return end == std::string_view::npos ? std::string_view() : path.substr(0, end + 1);
}

bool HasDotDot(std::string_view rel) {
  for (size_t start = 0; start < rel.size();) {
    size_t end = rel.find('/', start);
    if (end == std::string_view::npos) end = rel.size();
    if (rel.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

// rel with single "/" and none at its ends: "a//b/" is "a/b".
std::string Key(std::string_view rel) {
  std::string key;
  key.reserve(rel.size());
  for (const char c : rel) {
    if (c != '/' || (!key.empty() && key.back() != '/')) key.push_back(c);
  }
  if (!key.empty() && key.back() == '/') key.pop_back();
  return key;
}

// above is dir itself or a directory dir lies in.
bool AtOrAbove(std::string_view above, std::string_view dir) {
  return dir.starts_with(above) && (dir.size() == above.size() || dir[above.size()] == '/');
}

// With O_NOFOLLOW | O_DIRECTORY a link answers ENOTDIR; it is told apart from
// a file in the path, which keeps that answer.
Status LinkOr(Status failure, int dir, const std::string& name) {
  struct stat st;
  if (failure.code() == ENOTDIR && ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISLNK(st.st_mode)) {
    return Status::FromErrno(ELOOP);
  }
  return failure;
}

}  // namespace

// A directory below a root, open, and its Key below the root.
struct Confinement::Held {
  std::string key;
  std::shared_ptr<const UniqueFd> fd;
};

struct Confinement::Root {
  // Deep enough for most trees, few enough descriptors for any.
  static constexpr size_t kMaxHeld = 32;

  std::string path;                 // ends with "/"
  mutable std::atomic<int> fd{-1};  // O_PATH descriptor, opened on first use
  // The directories of the last way down, each inside the one before.
  mutable std::mutex chain_mu;
  mutable std::vector<Held> chain;  // guarded by chain_mu

  ~Root() {
    if (fd >= 0) ::close(fd);
  }

  // The first thread to open the root wins; a later one closes its own.
  Status Open(int* out) const {
    int current = fd.load(std::memory_order_acquire);
    if (current < 0) {
      const int opened = ::open(path.c_str(), kSearchFlags);
      if (opened < 0) return ErrnoStatus();
      if (fd.compare_exchange_strong(current, opened, std::memory_order_acq_rel)) {
        current = opened;
      } else {
        ::close(opened);
      }
    }
    *out = current;
    return Status::Ok();
  }

  // Opens the root for path, which lies below it, and cuts path down to rel.
  Status Enter(const std::string& below, int* root_fd, std::string_view* rel) const {
    *rel = SkipSlashes(std::string_view(below).substr(path.size()));
    if (HasDotDot(*rel)) return Status::FromErrno(EINVAL);
    return Open(root_fd);
  }

  // The held directory nearest to key, at or above it; none (no fd) when
  // only the root is.
  Held Nearest(const std::string& key) const {
    std::lock_guard lock(chain_mu);
    for (auto held = chain.rbegin(); held != chain.rend(); ++held) {
      if (AtOrAbove(held->key, key)) return *held;
    }
    return {};
  }

  // Holds key as the deepest directory of the way down; the ones not above
  // it go.
  void Keep(std::string key, std::shared_ptr<const UniqueFd> dir) const {
    std::lock_guard lock(chain_mu);
    const auto off = std::find_if(chain.begin(), chain.end(), [&](const Held& held) {
      return held.key == key || !AtOrAbove(held.key, key);
    });
    chain.erase(off, chain.end());
    if (chain.size() == kMaxHeld) chain.erase(chain.begin());
    chain.push_back({std::move(key), std::move(dir)});
  }
};

struct Confinement::Roots {
  explicit Roots(size_t count) : list(count) {}
  std::vector<Root> list;
};

Confinement::Confinement() = default;
Confinement::~Confinement() = default;

void Confinement::Set(const std::vector<std::string>& roots) {
  std::vector<std::string> paths;
  for (const std::string& root : roots) {
    if (!root.empty()) paths.push_back(root.back() == '/' ? root : root + "/");
  }
  std::shared_ptr<const Roots> fresh;
  if (!paths.empty()) {
    auto made = std::make_shared<Roots>(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) made->list[i].path = std::move(paths[i]);
    fresh = std::move(made);
  }
  std::lock_guard lock(mu_);
  roots_.swap(fresh);
  active_.store(roots_ != nullptr, std::memory_order_release);
}

const Confinement::Root* Confinement::Match(const std::string& path,
                                            std::shared_ptr<const Roots>* roots) const {
  {
    std::lock_guard lock(mu_);
    *roots = roots_;
  }
  if (*roots == nullptr) return nullptr;
  const Root* best = nullptr;
  for (const Root& root : (*roots)->list) {
    const size_t size = root.path.size();
    // The innermost root wins; the root itself (with any number of "/") is
    // not below it.
    if (path.starts_with(root.path) && path.find_first_not_of('/', size) != std::string::npos &&
        (best == nullptr || size > best->path.size())) {
      best = &root;
    }
  }
  return best;
}

const Confinement::Root* Confinement::MatchRoot(const std::string& path,
                                                std::shared_ptr<const Roots>* roots) const {
  {
    std::lock_guard lock(mu_);
    *roots = roots_;
  }
  if (*roots == nullptr) return nullptr;
  const std::string_view wanted = WithoutTrailingSlashes(path);
  for (const Root& root : (*roots)->list) {
    if (WithoutTrailingSlashes(root.path) == wanted) return &root;
  }
  return nullptr;
}

Status Confinement::Resolve(const std::string& path, Resolved* entry) const {
  entry->at = AtPath{AT_FDCWD, path.c_str()};
  // A root itself is the directory it was opened as, also where it lies
  // below another root.
  if (const Root* self = MatchRoot(path, &entry->roots)) {
    int root_fd = -1;
    const Status s = self->Open(&root_fd);
    if (s.ok()) entry->at = AtPath{root_fd, "."};
    return s;
  }
  const Root* root = Match(path, &entry->roots);
  if (root == nullptr) return Status::Ok();
  int root_fd = -1;
  std::string_view rel;
  Status s = root->Enter(path, &root_fd, &rel);
  if (!s.ok()) return s;
  // The leaf keeps its trailing "/", so that the *at call treats it as the
  // whole-path call did.
  const size_t leaf = rel.rfind('/', rel.find_last_not_of('/')) + 1;  // npos + 1 == 0
  entry->at = AtPath{root_fd, rel.data() + leaf};
  if (leaf == 0) return Status::Ok();
  const std::string parent = Key(rel.substr(0, leaf));
  Held held = root->Nearest(parent);
  if (held.key != parent || held.fd == nullptr) {
    UniqueFd opened;
    s = OpenFrom(held, root_fd, rel.substr(0, leaf), parent, kSearchFlags, &opened);
    if (!s.ok()) return s;
    held.fd = std::make_shared<const UniqueFd>(std::move(opened));
    root->Keep(parent, held.fd);
  }
  entry->parent = std::move(held.fd);
  entry->at.dir = entry->parent->get();
  return Status::Ok();
}

void Confinement::Forget() const {
  std::shared_ptr<const Roots> roots;
  {
    std::lock_guard lock(mu_);
    roots = roots_;
  }
  if (roots == nullptr) return;
  for (const Root& root : roots->list) {
    std::lock_guard lock(root.chain_mu);
    root.chain.clear();
  }
}

Status Confinement::OpenDirectory(const std::string& dir,
                                  std::shared_ptr<const UniqueFd>* fd) const {
  constexpr int kListFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  std::shared_ptr<const Roots> roots;
  const bool active = active_.load(std::memory_order_acquire);
  UniqueFd opened;
  if (const Root* self = active ? MatchRoot(dir, &roots) : nullptr) {
    int root_fd = -1;
    const Status s = self->Open(&root_fd);
    if (!s.ok()) return s;
    opened = UniqueFd(::openat(root_fd, ".", kListFlags));
  } else if (const Root* root = active ? Match(dir, &roots) : nullptr) {
    int root_fd = -1;
    std::string_view rel;
    Status s = root->Enter(dir, &root_fd, &rel);
    std::string key = Key(rel);
    if (s.ok()) s = OpenFrom(root->Nearest(key), root_fd, rel, key, kListFlags, &opened);
    if (!s.ok()) return s;
    // Its entries and subdirectories come next.
    *fd = std::make_shared<const UniqueFd>(std::move(opened));
    root->Keep(std::move(key), *fd);
    return Status::Ok();
  } else {
    // O_NOFOLLOW on the path without its trailing "/": a directory swapped
    // for a link is refused instead of walked.
    opened = UniqueFd(::open(EntryPath(dir).c_str(), kListFlags | O_NOFOLLOW));
  }
  if (!opened.valid()) return ErrnoStatus();
  *fd = std::make_shared<const UniqueFd>(std::move(opened));
  return Status::Ok();
}

// Holding leaves the chain alone: the readers that hold directories must not
// move the walk's way down.
Status Confinement::Hold(const std::string& dir, UniqueFd* fd) const {
  const std::string path = dir.substr(0, dir.find_last_not_of('/') + 1) + "/";
  std::shared_ptr<const Roots> roots;
  const Root* below = active_.load(std::memory_order_acquire) ? Match(dir, &roots) : nullptr;
  int root_fd = -1;
  if (below != nullptr) {
    std::string_view rel;
    const Status s = below->Enter(dir, &root_fd, &rel);
    const std::string key = Key(rel);
    return s.ok() ? OpenFrom(below->Nearest(key), root_fd, rel, key, kSearchFlags, fd) : s;
  }
  for (size_t i = 0; roots != nullptr && i < roots->list.size(); ++i) {
    const Root& root = roots->list[i];
    if (root.path != path) continue;
    const Status s = root.Open(&root_fd);
    if (!s.ok()) return s;
    *fd = UniqueFd(::fcntl(root_fd, F_DUPFD_CLOEXEC, 0));
    return fd->valid() ? Status::Ok() : ErrnoStatus();
  }
  *fd = UniqueFd(::open(path.c_str(), kSearchFlags));
  return fd->valid() ? Status::Ok() : ErrnoStatus();
}

// What a path from the root could not reach, a held directory does not
// reach either: the limit stays that of the path, whichever the start.
Status Confinement::OpenFrom(const Held& from, int root_fd, std::string_view rel,
                             const std::string& key, int flags, UniqueFd* fd) const {
  if (rel.size() >= PATH_MAX) return Status::FromErrno(ENAMETOOLONG);
  if (from.fd == nullptr) return OpenBelow(root_fd, key, flags, fd);
  if (from.key == key) {
    *fd = UniqueFd(::openat(from.fd->get(), ".", flags));
    return fd->valid() ? Status::Ok() : ErrnoStatus();
  }
  return OpenBelow(from.fd->get(), std::string_view(key).substr(from.key.size() + 1), flags, fd);
}

Status Confinement::OpenBeneath(int dir_fd, std::string_view relative, int flags,
                                UniqueFd* fd) const {
  const std::string_view rel = SkipSlashes(relative);
  if (rel.empty() || HasDotDot(rel)) return Status::FromErrno(EINVAL);
  return OpenBelow(dir_fd, rel, flags, fd);
}

Status Confinement::OpenBelow(int root_fd, std::string_view rel, int flags, UniqueFd* fd) const {
  if (!walk_only_.load(std::memory_order_relaxed)) {
    open_how how{};
    how.flags = static_cast<uint64_t>(flags);
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH;
    const std::string text(rel);
    const long opened = ::syscall(SYS_openat2, root_fd, text.c_str(), &how, sizeof how);
    if (opened >= 0) {
      *fd = UniqueFd(static_cast<int>(opened));
      return Status::Ok();
    }
    // Before Linux 5.6 there is no openat2; a container's system-call
    // filter may refuse it with EPERM, which a lookup never answers itself.
    if (errno != ENOSYS && errno != EPERM) return ErrnoStatus();
    walk_only_.store(true, std::memory_order_relaxed);
  }
  return Walk(root_fd, rel, flags, fd);
}

// rel holds at least one name: the callers pass nothing else.
Status Confinement::Walk(int root_fd, std::string_view rel, int flags, UniqueFd* fd) const {
  UniqueFd current;
  for (size_t start = rel.find_first_not_of('/'); start != std::string_view::npos;) {
    size_t end = rel.find('/', start);
    if (end == std::string_view::npos) end = rel.size();
    const std::string name(rel.substr(start, end - start));
    start = rel.find_first_not_of('/', end);
    const int dir = current.valid() ? current.get() : root_fd;
    const int step = (start == std::string_view::npos ? flags : kSearchFlags) | O_NOFOLLOW;
    UniqueFd next(::openat(dir, name.c_str(), step | O_DIRECTORY));
    if (!next.valid()) return LinkOr(ErrnoStatus(), dir, name);
    current = std::move(next);
  }
  *fd = std::move(current);
  return Status::Ok();
}

}  // namespace qv
