#ifndef QUORVANE_FILESYS_OVERLAY_PLATFORM_H_
#define QUORVANE_FILESYS_OVERLAY_PLATFORM_H_

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "filesys/platform_wrapper.h"

namespace qv {

// One change the overlay kept instead of making it.
struct TOverlayChange {
  enum class Kind {
    kCreateDir,
    kRemoveDir,
    kDelete,  // a file, link or special file
    kCommit,  // a copy put in place of dst (bytes: its size)
    kMove,    // bytes: the size of what moved, its folders' content included
    kLink,
    kSymlink,
    kMetadata,  // times, attributes or security
    kWrite,     // a small file written or appended to
  };
  Kind kind;
  std::string path;
  std::string to;     // of kMove and kLink
  int64_t bytes = 0;  // of what a copy, move or link puts in place
};

// A platform that changes nothing: every call that would change an entry is
// recorded, and reads answer from the real tree with the recorded changes laid
// over it. A created folder lists what was copied into it, a moved folder
// lists at its new place with its real content, a removed entry is gone, and
// free space is the real figure less what copies added plus what removals
// freed. Now() stays at the time given. The mirror's lock is taken shared, so
// a scan that holds it keeps the overlay out and the overlay keeps no scan
// out for long.
//
// What it cannot know: block rounding and folder sizes in free space, the
// inode numbers and change times of entries it made, ACL and attribute
// refusals of the destination, and data that changes while it runs.
//
// Threads: every method may be called from any thread.
class TOverlayPlatform : public PlatformWrapper {
 public:
  TOverlayPlatform(Platform& real, FileTime now);
  ~TOverlayPlatform() override;

  std::vector<TOverlayChange> changes() const;
  // A FreeSpace answer differed from the real figure by what the plan
  // recorded.
  bool space_simulated() const;

  Status Stat(const std::string& path, FileInfo* info) override;
  Status StatWithBirth(const std::string& path, FileInfo* info) override;
  Status ListDir(const std::string& dir, std::vector<DirEntry>* entries) override;
  Status CreateDir(const std::string& path) override;
  Status RemoveDir(const std::string& path) override;
  Status DeleteFile(const std::string& path) override;
  Status Move(const std::string& from, const std::string& to) override;
  Status Link(const std::string& from, const std::string& to) override;
  Status SetAttributes(const std::string& path, uint32_t attributes) override;
  Status SetTimes(const std::string& path, FileTime access, FileTime write) override;
  Status ReadLink(const std::string& path, std::string* target) override;
  Status CreateSymlink(const std::string& target, const std::string& path) override;

  Status CopyToTemp(const std::string& src, const std::string& dst, const CopyProgress& progress,
                    bool with_security, std::string* temp, uint32_t* lost) override;
  Status SymlinkToTemp(const std::string& target, const std::string& dst,
                       std::string* temp) override;
  Status CommitTemp(const std::string& temp, const std::string& dst) override;
  Status CreateTempFile(const std::string& dst, std::string* temp) override;

  Status ReadSecurity(const std::string& path, SecurityDescriptor* sd) override;
  Status WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                       uint32_t* lost) override;
  Status KeepsAcls(const std::string& dir, bool* keeps) override;
  Status GetVolume(const std::string& path, VolumeInfo* info) override;
  Status FreeSpace(const std::string& path, int64_t* free_bytes, int64_t* total_bytes) override;
  Status WriteFile(const std::string& path, const std::string& data) override;
  Status SetAutostart(bool enabled, const std::string& command) override;
  FileTime Now() override { return now_; }
  Status LocatePath(const std::string& path, PathPlace* place) override;
  Status LockDir(const std::string& dir, const std::string& fallback_name,
                 std::unique_ptr<DirLock>* lock, LockHolder* holder) override;
  Status GetDataLayout(const std::string& dir, DataLayout* layout) override;
  Status DataSize(const std::string& path, int64_t block_size, int64_t* bytes) override;
  Status CreatePrivateDir(const std::string& path) override;
  Status HoldDir(const std::string& dir, std::unique_ptr<HeldDir>* held) override;
  // Lists through ListDir, so that the plan's own changes are seen.
  Status ListDirAt(const HeldDir& held, const std::string& name, std::vector<DirEntry>* entries,
                   DirIdentity* identity) override;
  Status AppendPrivateFile(const HeldDir& held, const std::string& relative,
                           const std::string& data, bool* created) override;

 private:
  // An entry the plan made, changed or removed.
  struct TNode {
    bool gone = false;
    FileInfo info;
    // The real entry whose data, listing, link text and security it has;
    // empty for what the plan made itself (a made folder lists only what the
    // plan put into it).
    std::string origin;
    std::optional<std::string> link_target;
    std::optional<SecurityDescriptor> security;
    int64_t added_bytes = 0;  // room its data takes that the real tree does not
  };
  // How a path is answered now.
  struct TView {
    enum class Where { kNone, kReal, kNode } where = Where::kNone;
    std::string real;             // kReal
    const TNode* node = nullptr;  // kNode
  };

  TView Resolve(const std::string& path) const;
  Status StatLocked(const std::string& path, FileInfo* info);
  Status ListLocked(const std::string& dir, std::vector<DirEntry>* entries);
  // The node of an existing path, made from the real entry when needed.
  TNode* Materialise(const std::string& path, Status* status);
  // A new entry at path, whose parent must be a folder and which must not exist.
  Status MakeNode(const std::string& path, TNode node);
  void Put(const std::string& path, TNode node);
  Status MakeDir(const std::string& path, uint32_t mode);
  // Marks path gone and settles the room its data took.
  void Remove(const std::string& path, const FileInfo& info, const TNode* node);
  int64_t TreeBytes(const std::string& path, const FileInfo& info);
  // The nearest existing real folder at or above path.
  std::string RealAnchor(const std::string& path);
  FileInfo NewInfo(const std::string& parent, uint32_t mode, int64_t size);
  void Record(TOverlayChange::Kind kind, const std::string& path, const std::string& to = {},
              int64_t bytes = 0);

  Platform& real_;
  const FileTime now_;
  mutable std::recursive_mutex mu_;
  std::map<std::string, TNode> nodes_;                     // by path without trailing "/"
  std::map<std::string, std::set<std::string>> children_;  // names recorded below a folder
  std::map<uint64_t, int64_t> room_delta_;                 // bytes used less bytes freed, by device
  std::vector<TOverlayChange> changes_;
  uint64_t next_inode_ = 1ULL << 62;
  bool space_simulated_ = false;
};

}  // namespace qv

#endif  // QUORVANE_FILESYS_OVERLAY_PLATFORM_H_
