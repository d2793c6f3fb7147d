#include "filesys/overlay_platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "filesys/path_ops.h"

namespace qv {

namespace {

constexpr uint32_t kTypeMask = 0170000;
constexpr uint32_t kTypeDir = 0040000;
constexpr uint32_t kTypeFile = 0100000;
constexpr uint32_t kTypeLink = 0120000;
constexpr uint32_t kWriteBits = 0222;
constexpr uint32_t kOwnerWrite = 0200;

using Lock = std::lock_guard<std::recursive_mutex>;

// Paths as the overlay keeps them: no trailing "/" but for the root.
std::string Key(const std::string& path) {
  std::string key = path;
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

std::string Parent(const std::string& path) { return Key(ParentDir(path)); }

std::string Child(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

bool IsFolder(const FileInfo& info) { return info.IsDirectory() && !info.IsReparsePoint(); }

Status Fail(int code) { return Status::FromErrno(code); }

class TOverlayHeld : public HeldDir {
 public:
  explicit TOverlayHeld(std::string path) : path_(std::move(path)) {}
  const std::string& path() const override { return path_; }

 private:
  std::string path_;
};

// The mirror's lock where no exclusive holder ever made the fallback file:
// nobody to exclude.
class TNoLock : public DirLock {};

}  // namespace

TOverlayPlatform::TOverlayPlatform(Platform& real, FileTime now)
    : PlatformWrapper(real), real_(real), now_(now) {}

TOverlayPlatform::~TOverlayPlatform() = default;

std::vector<TOverlayChange> TOverlayPlatform::changes() const {
  Lock lock(mu_);
  return changes_;
}

bool TOverlayPlatform::space_simulated() const {
  Lock lock(mu_);
  return space_simulated_;
}

TOverlayPlatform::TView TOverlayPlatform::Resolve(const std::string& path) const {
  TView view;
  if (const auto it = nodes_.find(path); it != nodes_.end()) {
    if (it->second.gone) return view;
    view.where = TView::Where::kNode;
    view.node = &it->second;
    return view;
  }
  // Below a recorded entry only a folder with a real origin has real content.
  for (std::string at = path, up = Parent(path); !up.empty() && up != at;
       at = up, up = Parent(up)) {
    const auto it = nodes_.find(up);
    if (it == nodes_.end()) continue;
    const TNode& node = it->second;
    if (node.gone || !IsFolder(node.info) || node.origin.empty()) return view;
    view.where = TView::Where::kReal;
    view.real = node.origin + path.substr(up == "/" ? 0 : up.size());
    return view;
  }
  view.where = TView::Where::kReal;
  view.real = path;
  return view;
}

Status TOverlayPlatform::StatLocked(const std::string& path, FileInfo* info) {
  const TView view = Resolve(path);
  switch (view.where) {
    case TView::Where::kNode:
      *info = view.node->info;
      return Status::Ok();
    case TView::Where::kReal:
      return real_.Stat(view.real, info);
    case TView::Where::kNone:
      break;
  }
  return Fail(ENOENT);
}

Status TOverlayPlatform::Stat(const std::string& path, FileInfo* info) {
  Lock lock(mu_);
  return StatLocked(Key(path), info);
}

Status TOverlayPlatform::StatWithBirth(const std::string& path, FileInfo* info) {
  Lock lock(mu_);
  const TView view = Resolve(Key(path));
  if (view.where == TView::Where::kReal) return real_.StatWithBirth(view.real, info);
  return StatLocked(Key(path), info);
}

Status TOverlayPlatform::ListLocked(const std::string& dir, std::vector<DirEntry>* entries) {
  entries->clear();
  const TView view = Resolve(dir);
  if (view.where == TView::Where::kNone) return Fail(ENOENT);
  if (view.where == TView::Where::kNode && !IsFolder(view.node->info)) return Fail(ENOTDIR);
  const std::string& real = view.where == TView::Where::kReal ? view.real : view.node->origin;
  if (!real.empty()) {
    if (const Status s = real_.ListDir(real, entries); !s.ok()) return s;
  }
  std::set<std::string> listed;
  std::erase_if(*entries, [&](DirEntry& entry) {
    listed.insert(entry.name);
    const auto it = nodes_.find(Child(dir, entry.name));
    if (it == nodes_.end()) return false;
    entry.info = it->second.info;
    return it->second.gone;
  });
  if (const auto names = children_.find(dir); names != children_.end()) {
    for (const std::string& name : names->second) {
      const TNode& node = nodes_.at(Child(dir, name));
      if (!node.gone && !listed.contains(name)) entries->push_back(DirEntry{name, node.info});
    }
  }
  return Status::Ok();
}

Status TOverlayPlatform::ListDir(const std::string& dir, std::vector<DirEntry>* entries) {
  Lock lock(mu_);
  return ListLocked(Key(dir), entries);
}

void TOverlayPlatform::Put(const std::string& path, TNode node) {
  nodes_[path] = std::move(node);
  children_[Parent(path)].insert(LastComponent(path));
}

FileInfo TOverlayPlatform::NewInfo(const std::string& parent, uint32_t mode, int64_t size) {
  FileInfo dir;
  (void)StatLocked(parent, &dir);
  FileInfo info;
  info.mode = mode;
  if ((mode & kTypeMask) == kTypeDir) info.attributes |= kAttrDirectory;
  if ((mode & kOwnerWrite) == 0) info.attributes |= kAttrReadOnly;
  info.last_access_time = info.last_write_time = info.change_time = now_;
  info.size = info.size_on_disk = size;
  info.uid = real_.UserId();
  info.gid = dir.gid;
  info.device = dir.device;
  info.inode = next_inode_++;
  info.link_count = 1;
  return info;
}

Status TOverlayPlatform::MakeNode(const std::string& path, TNode node) {
  FileInfo parent;
  if (StatLocked(path, &parent).ok()) return Fail(EEXIST);
  if (const Status s = StatLocked(Parent(path), &parent); !s.ok()) return s;
  if (!IsFolder(parent)) return Fail(ENOTDIR);
  if (LastComponent(path).starts_with('.')) node.info.attributes |= kAttrHidden;
  room_delta_[node.info.device] += node.added_bytes;
  Put(path, std::move(node));
  return Status::Ok();
}

TOverlayPlatform::TNode* TOverlayPlatform::Materialise(const std::string& path, Status* status) {
  const TView view = Resolve(path);
  if (view.where == TView::Where::kNode) return &nodes_.at(path);
  TNode node;
  *status = view.where == TView::Where::kNone ? Fail(ENOENT) : real_.Stat(view.real, &node.info);
  if (!status->ok()) return nullptr;
  node.origin = view.real;
  Put(path, std::move(node));
  return &nodes_.at(path);
}

void TOverlayPlatform::Remove(const std::string& path, const FileInfo& info, const TNode* node) {
  if (node != nullptr && node->added_bytes != 0) {
    room_delta_[info.device] -= node->added_bytes;
  } else if (!info.IsDirectory() && info.link_count <= 1) {
    room_delta_[info.device] -= info.size_on_disk;
  }
  TNode gone;
  gone.gone = true;
  Put(path, std::move(gone));
}

void TOverlayPlatform::Record(TOverlayChange::Kind kind, const std::string& path,
                              const std::string& to, int64_t bytes) {
  changes_.push_back(TOverlayChange{kind, path, to, bytes});
}

Status TOverlayPlatform::MakeDir(const std::string& path, uint32_t mode) {
  Lock lock(mu_);
  const std::string key = Key(path);
  TNode node;
  node.info = NewInfo(Parent(key), kTypeDir | mode, 0);
  const Status s = MakeNode(key, std::move(node));
  if (s.ok()) Record(TOverlayChange::Kind::kCreateDir, key);
  return s;
}

Status TOverlayPlatform::CreateDir(const std::string& path) { return MakeDir(path, 0755); }

Status TOverlayPlatform::CreatePrivateDir(const std::string& path) { return MakeDir(path, 0700); }

Status TOverlayPlatform::RemoveDir(const std::string& path) {
  Lock lock(mu_);
  const std::string key = Key(path);
  FileInfo info;
  if (const Status s = StatLocked(key, &info); !s.ok()) return s;
  if (!IsFolder(info)) return Fail(ENOTDIR);
  std::vector<DirEntry> entries;
  if (const Status s = ListLocked(key, &entries); !s.ok()) return s;
  if (!entries.empty()) return Fail(ENOTEMPTY);
  Remove(key, info, nullptr);
  Record(TOverlayChange::Kind::kRemoveDir, key);
  return Status::Ok();
}

Status TOverlayPlatform::DeleteFile(const std::string& path) {
  Lock lock(mu_);
  const std::string key = Key(path);
  const TView view = Resolve(key);
  FileInfo info;
  if (const Status s = StatLocked(key, &info); !s.ok()) return s;
  if (IsFolder(info)) return Fail(EISDIR);
  Remove(key, info, view.node);
  Record(TOverlayChange::Kind::kDelete, key, {}, info.size);
  return Status::Ok();
}

int64_t TOverlayPlatform::TreeBytes(const std::string& path, const FileInfo& info) {
  if (!IsFolder(info)) return info.size;
  std::vector<DirEntry> entries;
  if (!ListLocked(path, &entries).ok()) return 0;
  int64_t bytes = 0;
  for (const DirEntry& entry : entries) bytes += TreeBytes(Child(path, entry.name), entry.info);
  return bytes;
}

Status TOverlayPlatform::Move(const std::string& from, const std::string& to) {
  Lock lock(mu_);
  const std::string source = Key(from);
  const std::string target = Key(to);
  const TView view = Resolve(source);
  FileInfo info;
  if (const Status s = StatLocked(source, &info); !s.ok()) return s;
  FileInfo parent;
  if (StatLocked(target, &parent).ok()) return Fail(EEXIST);
  if (const Status s = StatLocked(Parent(target), &parent); !s.ok()) return s;
  if (!IsFolder(parent) || IsInside(target + "/", source + "/")) return Fail(EINVAL);
  const int64_t bytes = TreeBytes(source, info);
  TNode moved;
  if (view.node != nullptr) {
    moved = *view.node;
  } else {
    moved.info = info;
    moved.origin = view.real;
  }
  moved.info.change_time = now_;
  // What was recorded below the source moves with it.
  const std::string below = source + "/";
  std::vector<std::pair<std::string, TNode>> carried;
  for (auto it = nodes_.lower_bound(below); it != nodes_.end() && it->first.starts_with(below);) {
    carried.emplace_back(target + it->first.substr(source.size()), std::move(it->second));
    it = nodes_.erase(it);
  }
  std::erase_if(children_, [&](const auto& entry) {
    return entry.first == source || entry.first.starts_with(below);
  });
  TNode gone;
  gone.gone = true;
  Put(source, std::move(gone));
  Put(target, std::move(moved));
  for (auto& [path, node] : carried) Put(path, std::move(node));
  // A copy put in place under a new name is a copy, as CommitTemp's.
  if (view.node != nullptr && !IsFolder(info) && real_.IsTempName(LastComponent(source))) {
    const bool link = info.IsReparsePoint();
    Record(link ? TOverlayChange::Kind::kSymlink : TOverlayChange::Kind::kCommit, target, {},
           link ? 0 : bytes);
  } else {
    Record(TOverlayChange::Kind::kMove, source, target, bytes);
  }
  return Status::Ok();
}

Status TOverlayPlatform::Link(const std::string& from, const std::string& to) {
  Lock lock(mu_);
  const std::string source = Key(from);
  const std::string target = Key(to);
  const TView view = Resolve(source);
  FileInfo info;
  if (const Status s = StatLocked(source, &info); !s.ok()) return s;
  if (IsFolder(info)) return Fail(EPERM);
  TNode node;
  if (view.node != nullptr) node = *view.node;
  node.info = info;
  node.info.link_count++;
  node.added_bytes = 0;
  if (view.where == TView::Where::kReal) node.origin = view.real;
  const Status s = MakeNode(target, std::move(node));
  if (s.ok()) Record(TOverlayChange::Kind::kLink, source, target, info.size);
  return s;
}

Status TOverlayPlatform::SetAttributes(const std::string& path, uint32_t attributes) {
  Lock lock(mu_);
  Status s;
  TNode* node = Materialise(Key(path), &s);
  if (node == nullptr) return s;
  if ((attributes & kAttrReadOnly) != 0) {
    node->info.mode &= ~kWriteBits;
    node->info.attributes |= kAttrReadOnly;
  } else {
    node->info.mode |= kOwnerWrite;
    node->info.attributes &= ~kAttrReadOnly;
  }
  node->info.change_time = now_;
  Record(TOverlayChange::Kind::kMetadata, Key(path));
  return Status::Ok();
}

Status TOverlayPlatform::SetTimes(const std::string& path, FileTime access, FileTime write) {
  Lock lock(mu_);
  Status s;
  TNode* node = Materialise(Key(path), &s);
  if (node == nullptr) return s;
  if (access != 0) node->info.last_access_time = access;
  if (write != 0) node->info.last_write_time = write;
  node->info.change_time = now_;
  Record(TOverlayChange::Kind::kMetadata, Key(path));
  return Status::Ok();
}

Status TOverlayPlatform::ReadLink(const std::string& path, std::string* target) {
  Lock lock(mu_);
  const TView view = Resolve(Key(path));
  if (view.where == TView::Where::kReal) return real_.ReadLink(view.real, target);
  if (view.where == TView::Where::kNone) return Fail(ENOENT);
  if (view.node->link_target.has_value()) {
    *target = *view.node->link_target;
    return Status::Ok();
  }
  if (view.node->origin.empty()) return Fail(EINVAL);
  return real_.ReadLink(view.node->origin, target);
}

namespace {

// As CopyToTemp names its files, so that the scan knows them as its own.
std::string TempName(const std::string& dst, uint64_t number) {
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(number));
  return ParentDir(dst) + ".qv-tmp-" + digits + "-" + LastComponent(dst).substr(0, 200);
}

}  // namespace

Status TOverlayPlatform::CreateSymlink(const std::string& target, const std::string& path) {
  Lock lock(mu_);
  const std::string key = Key(path);
  TNode node;
  node.info = NewInfo(Parent(key), kTypeLink | 0777, static_cast<int64_t>(target.size()));
  node.info.attributes |= kAttrReparsePoint;
  node.info.reparse_tag = kReparseTagSymlink;
  node.link_target = target;
  const Status s = MakeNode(key, std::move(node));
  if (s.ok()) Record(TOverlayChange::Kind::kSymlink, key);
  return s;
}

Status TOverlayPlatform::SymlinkToTemp(const std::string& target, const std::string& dst,
                                       std::string* temp) {
  Lock lock(mu_);
  *temp = TempName(Key(dst), next_inode_);
  return CreateSymlink(target, *temp);
}

Status TOverlayPlatform::CopyToTemp(const std::string& src, const std::string& dst,
                                    const CopyProgress& progress, bool with_security,
                                    std::string* temp, uint32_t* lost) {
  FileInfo source;
  if (const Status s = Stat(src, &source); !s.ok()) return s;
  if ((source.mode & kTypeMask) != kTypeFile) return Fail(EINVAL);
  if (progress) {
    if (const int code = progress(source.size, source.size); code != 0) return Fail(code);
  }
  Lock lock(mu_);
  const TView view = Resolve(Key(src));
  const std::string key = Key(dst);
  TNode node;
  node.info = NewInfo(Parent(key), source.mode, source.size);
  node.info.size_on_disk = source.size_on_disk;
  node.info.last_access_time = source.last_access_time;
  node.info.last_write_time = source.last_write_time;
  if (with_security) {
    node.info.uid = source.uid;
    node.info.gid = source.gid;
  }
  node.origin = view.where == TView::Where::kReal ? view.real : view.node->origin;
  node.added_bytes = source.size_on_disk;
  *temp = TempName(key, node.info.inode);
  if (lost != nullptr) *lost = 0;
  return MakeNode(*temp, std::move(node));
}

Status TOverlayPlatform::CreateTempFile(const std::string& dst, std::string* temp) {
  Lock lock(mu_);
  const std::string key = Key(dst);
  TNode node;
  node.info = NewInfo(Parent(key), kTypeFile | 0600, 0);
  *temp = TempName(key, node.info.inode);
  return MakeNode(*temp, std::move(node));
}

Status TOverlayPlatform::CommitTemp(const std::string& temp, const std::string& dst) {
  Lock lock(mu_);
  const std::string from = Key(temp);
  const std::string to = Key(dst);
  const TView made = Resolve(from);
  if (made.where != TView::Where::kNode) return Fail(ENOENT);
  TNode node = *made.node;
  const TView old = Resolve(to);
  FileInfo info;
  if (StatLocked(to, &info).ok()) {
    if (IsFolder(info)) return Fail(EISDIR);
    Remove(to, info, old.node);
  }
  TNode gone;
  gone.gone = true;
  Put(from, std::move(gone));
  const bool link = node.link_target.has_value();
  const int64_t bytes = node.info.size;
  Put(to, std::move(node));
  Record(link ? TOverlayChange::Kind::kSymlink : TOverlayChange::Kind::kCommit, to, {},
         link ? 0 : bytes);
  return Status::Ok();
}

Status TOverlayPlatform::ReadSecurity(const std::string& path, SecurityDescriptor* sd) {
  Lock lock(mu_);
  const TView view = Resolve(Key(path));
  if (view.where == TView::Where::kReal) return real_.ReadSecurity(view.real, sd);
  if (view.where == TView::Where::kNone) return Fail(ENOENT);
  const TNode& node = *view.node;
  if (node.security.has_value()) {
    *sd = *node.security;
  } else if (!node.origin.empty()) {
    return real_.ReadSecurity(node.origin, sd);
  } else {
    *sd = SecurityDescriptor();
    sd->uid = node.info.uid;
    sd->gid = node.info.gid;
    sd->mode = node.info.mode & 07777;
  }
  return Status::Ok();
}

Status TOverlayPlatform::WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                                       uint32_t* lost) {
  Lock lock(mu_);
  Status s;
  TNode* node = Materialise(Key(path), &s);
  if (node == nullptr) return s;
  node->security = sd;
  node->info.uid = sd.uid;
  node->info.gid = sd.gid;
  if (!node->link_target.has_value()) node->info.mode = (node->info.mode & ~07777u) | sd.mode;
  node->info.change_time = now_;
  if (lost != nullptr) *lost = 0;
  Record(TOverlayChange::Kind::kMetadata, Key(path));
  return Status::Ok();
}

std::string TOverlayPlatform::RealAnchor(const std::string& path) {
  Lock lock(mu_);
  FileInfo info;
  for (std::string at = Key(path);; at = Parent(at)) {
    const TView view = Resolve(at);
    if (view.where == TView::Where::kReal && real_.Stat(view.real, &info).ok()) return view.real;
    if (at.empty() || at == "/") return "/";
  }
}

Status TOverlayPlatform::KeepsAcls(const std::string& dir, bool* keeps) {
  return real_.KeepsAcls(RealAnchor(dir), keeps);
}

Status TOverlayPlatform::GetVolume(const std::string& path, VolumeInfo* info) {
  return real_.GetVolume(RealAnchor(path), info);
}

Status TOverlayPlatform::GetDataLayout(const std::string& dir, DataLayout* layout) {
  return real_.GetDataLayout(RealAnchor(dir), layout);
}

Status TOverlayPlatform::LocatePath(const std::string& path, PathPlace* place) {
  return real_.LocatePath(path, place);
}

Status TOverlayPlatform::FreeSpace(const std::string& path, int64_t* free_bytes,
                                   int64_t* total_bytes) {
  const std::string anchor = RealAnchor(path);
  if (const Status s = real_.FreeSpace(anchor, free_bytes, total_bytes); !s.ok()) return s;
  FileInfo info;
  if (!real_.Stat(anchor, &info).ok()) return Status::Ok();
  Lock lock(mu_);
  const int64_t delta = room_delta_[info.device];
  if (delta != 0) space_simulated_ = true;
  *free_bytes = std::max<int64_t>(*free_bytes - delta, 0);
  return Status::Ok();
}

Status TOverlayPlatform::DataSize(const std::string& path, int64_t block_size, int64_t* bytes) {
  Lock lock(mu_);
  const TView view = Resolve(Key(path));
  if (view.where == TView::Where::kReal) return real_.DataSize(view.real, block_size, bytes);
  if (view.where == TView::Where::kNone) return Fail(ENOENT);
  if (!view.node->origin.empty()) return real_.DataSize(view.node->origin, block_size, bytes);
  *bytes = view.node->info.size_on_disk;
  return Status::Ok();
}

Status TOverlayPlatform::WriteFile(const std::string& path, const std::string& data) {
  Lock lock(mu_);
  Record(TOverlayChange::Kind::kWrite, Key(path), {}, static_cast<int64_t>(data.size()));
  return Status::Ok();
}

Status TOverlayPlatform::SetAutostart(bool, const std::string&) { return Status::Ok(); }

Status TOverlayPlatform::LockDir(const std::string& dir, const std::string& fallback_name,
                                 std::unique_ptr<DirLock>* lock, LockHolder* holder) {
  const Status s = real_.LockDirShared(dir, fallback_name, lock, holder);
  FileInfo info;
  if (s.cond() != Cond::kNotFound || !real_.Stat(dir, &info).ok()) return s;
  *lock = std::make_unique<TNoLock>();
  return Status::Ok();
}

Status TOverlayPlatform::HoldDir(const std::string& dir, std::unique_ptr<HeldDir>* held) {
  FileInfo info;
  if (const Status s = Stat(dir, &info); !s.ok()) return s;
  if (!IsFolder(info)) return Fail(ENOTDIR);
  *held = std::make_unique<TOverlayHeld>(Key(dir));
  return Status::Ok();
}

Status TOverlayPlatform::ListDirAt(const HeldDir& held, const std::string& name,
                                   std::vector<DirEntry>* entries, DirIdentity* identity) {
  const std::string dir = name.empty() ? held.path() : Child(Key(held.path()), name);
  FileInfo info;
  if (const Status s = Stat(dir, &info); !s.ok()) return s;
  if (!IsFolder(info)) return Fail(info.IsReparsePoint() ? ELOOP : ENOTDIR);
  identity->device = info.device;
  identity->inode = info.inode;
  return ListDir(dir, entries);
}

Status TOverlayPlatform::AppendPrivateFile(const HeldDir& held, const std::string& relative,
                                           const std::string& data, bool* created) {
  Lock lock(mu_);
  const std::string key = Key(Child(held.path(), relative));
  const auto size = static_cast<int64_t>(data.size());
  FileInfo info;
  *created = !StatLocked(key, &info).ok();
  if (*created) {
    TNode node;
    node.info = NewInfo(Parent(key), kTypeFile | 0600, size);
    node.added_bytes = size;
    if (const Status s = MakeNode(key, std::move(node)); !s.ok()) return s;
  } else {
    Status s;
    TNode* node = Materialise(key, &s);
    if (node == nullptr) return s;
    node->info.size += size;
    node->info.size_on_disk += size;
    node->added_bytes += size;
    room_delta_[node->info.device] += size;
  }
  Record(TOverlayChange::Kind::kWrite, key, {}, size);
  return Status::Ok();
}

}  // namespace qv
