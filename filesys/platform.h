#ifndef QUORVANE_FILESYS_PLATFORM_H_
#define QUORVANE_FILESYS_PLATFORM_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "filesys/local_time.h"
#include "filesys/status.h"

namespace qv {

// Bits of the 32-bit attribute word. POSIX fills only some of them (see
// FileInfo); the others are never set there.
enum : uint32_t {
  kAttrReadOnly = 0x1,
  kAttrHidden = 0x2,
  kAttrSystem = 0x4,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrDevice = 0x40,
  kAttrTemporary = 0x100,
  kAttrSparse = 0x200,
  kAttrReparsePoint = 0x400,
  kAttrCompressed = 0x800,
  kAttrOffline = 0x1000,
  kAttrNotIndexed = 0x2000,
  kAttrEncrypted = 0x4000,
};

// Reparse tag of a symbolic link.
inline constexpr uint32_t kReparseTagSymlink = 0xA000000C;

// What is known of one directory entry, as the listing and Stat deliver it.
// POSIX: a symbolic link is reported as itself (never followed): reparse
// point, tag kReparseTagSymlink, plus kAttrDirectory when its target is a
// directory; FIFOs, sockets and devices carry kAttrDevice; hidden follows a
// leading "."; read only means the owner has no write permission.
struct FileInfo {
  uint32_t attributes = 0;
  FileTime creation_time = 0;  // 0 = not known (always on POSIX)
  FileTime last_access_time = 0;
  FileTime last_write_time = 0;
  // Of the entry itself: it moves with every change of its content or
  // metadata and cannot be set back.
  FileTime change_time = 0;
  // When the entry itself was made (link, rename and chmod keep it). Read
  // only by StatWithBirth; birth_known stays false where the file system
  // keeps no such time.
  FileTime birth_time = 0;
  bool birth_known = false;
  int64_t size = 0;
  uint32_t reparse_tag = 0;
  // st_blocks * 512 for sparse or compressed files, otherwise the size.
  int64_t size_on_disk = 0;
  // POSIX details the engine needs for security and identity checks.
  uint32_t mode = 0;  // st_mode, type bits included
  uint32_t uid = 0;
  uint32_t gid = 0;
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t link_count = 0;

  bool IsDirectory() const { return (attributes & kAttrDirectory) != 0; }
  bool IsReparsePoint() const { return (attributes & kAttrReparsePoint) != 0; }
};

struct DirEntry {
  std::string name;  // never "." or ".."
  FileInfo info;
};

// Which directory a listing read: device and inode of the open directory.
struct DirIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
};

// Owner, group, permission bits, the raw POSIX ACL blocks and the user.*
// extended attributes of an entry.
struct SecurityDescriptor {
  uint32_t uid = 0;
  uint32_t gid = 0;
  uint32_t mode = 0;  // permission bits only (07777)
  std::optional<std::string> acl_access;
  std::optional<std::string> acl_default;  // directories only
  std::vector<std::pair<std::string, std::string>> xattrs;  // name and value, by name

  bool operator==(const SecurityDescriptor&) const = default;
};

// Parts of an entry's metadata that a file system may not keep. Where it has
// no such part (ENOTSUP) or refuses what it is given (EPERM), a copy or a
// security write goes on without that part and names it in its lost word.
enum : uint32_t {
  kMetaModes = 0x1,
  kMetaOwners = 0x2,
  kMetaAcls = 0x4,
  kMetaXattrs = 0x8,
  kMetaTimes = 0x10,
};

// The file system that holds a path.
struct VolumeInfo {
  std::string mount_point;  // ends with "/"
  std::string fs_type;      // "ext4", "vfat", "tmpfs", ...
  std::string label;        // may be empty
  std::string uuid;         // may be empty when the system does not know it
  uint64_t device = 0;      // st_dev of the mount point
  bool supports_compression = false;
  // What tells this file system apart from another on the same device, or
  // from another instance of a file system without a UUID (two tmpfs mounts):
  // the statfs file-system id (0 when the system gives none), the mount
  // table's source and root fields, and the birth time of the mount's root
  // directory (0 when not known).
  uint64_t fsid = 0;
  std::string mount_source;
  std::string mount_root;
  FileTime root_birth_time = 0;
};

// Where a path lies by file-system identity rather than by its text: through
// links and bind mounts, two paths lie at one place when device and fs_path
// are equal, and one lies inside the other when fs_path extends it on the
// same device.
struct PathPlace {
  uint64_t device = 0;  // st_dev of the path (of its nearest existing parent)
  uint64_t inode = 0;   // st_ino of the path; 0 when it does not exist
  // The path inside that file system: the mount table's root field joined
  // with the part below the mount point; ends with "/".
  std::string fs_path;
};

struct MountEntry {
  std::string mount_point;  // ends with "/"
  std::string fs_type;
};

// How a volume stores the data of files: its allocation unit and whether a
// hole in a file takes no room.
struct DataLayout {
  int64_t block_size = 1;
  bool keeps_holes = false;
};

// A directory opened once (Platform::HoldDir). Entries below it are reached
// from it, so renaming or swapping the path it was opened by later changes
// nothing. Only the platform that made it can use it.
class HeldDir {
 public:
  virtual ~HeldDir() = default;
  // The path it was opened by.
  virtual const std::string& path() const = 0;
};

// Progress of a copy: bytes copied so far and the total. Answers 0 to go on,
// or an errno (ECANCELED to stop) with which the copy then fails.
using CopyProgress = std::function<int(int64_t copied, int64_t total)>;

// A lock taken by Platform::LockDir; released when the object goes.
class DirLock {
 public:
  virtual ~DirLock() = default;
};

// The process that holds a lock, as the kernel's lock table names it.
struct LockHolder {
  int64_t pid = 0;      // 0 = not known (another PID namespace, or gone meanwhile)
  std::string command;  // its command name; may be empty
};

// Every operating-system service the program uses. The POSIX implementation
// (filesys/posix/) is the product; tests wrap it (PlatformWrapper,
// FaultPlatform). Methods never log; callers turn a failed Status into the
// program's log line (filesys/file_ops.h).
//
// Paths are byte strings of the file system; directory paths may or may not
// end with "/" unless a method says otherwise. No method follows a symbolic
// link in the last component of a path it changes or stats.
//
// Threads: every method may be called from any thread.
class Platform {
 public:
  virtual ~Platform() = default;

  // ---- Entries
  // lstat semantics (see FileInfo). Not found: Cond::kNotFound.
  virtual Status Stat(const std::string& path, FileInfo* info) = 0;
  // Stat that also reads the birth time, which scans never need. Not
  // confined: it only reads.
  virtual Status StatWithBirth(const std::string& path, FileInfo* info) = 0;
  // Lists a directory without "." and "..", in no particular order, with one
  // stat per entry relative to the open directory. A listing that fails part
  // way answers the error and leaves *entries unspecified: a failed listing is
  // never an empty directory. The directory itself must not be a symbolic link.
  virtual Status ListDir(const std::string& dir, std::vector<DirEntry>* entries) = 0;
  // Creates one directory level (mode 0777 less the umask).
  virtual Status CreateDir(const std::string& path) = 0;
  // Removes an empty directory.
  virtual Status RemoveDir(const std::string& path) = 0;
  // Removes a file, a symbolic link or a special file (never a directory).
  virtual Status DeleteFile(const std::string& path) = 0;
  // Renames from to to on the same file system. Never replaces: when to
  // exists the move fails with Cond::kExists and nothing changes.
  virtual Status Move(const std::string& from, const std::string& to) = 0;
  // Makes a hard link; never replaces an existing to.
  virtual Status Link(const std::string& from, const std::string& to) = 0;
  // Applies the read-only bit (clear: the owner's write bit comes back; set:
  // every write bit goes). Other bits are ignored on POSIX.
  virtual Status SetAttributes(const std::string& path, uint32_t attributes) = 0;
  // Sets access and write time of the entry itself (not a link's target);
  // a time of 0 leaves that time as it is.
  virtual Status SetTimes(const std::string& path, FileTime access, FileTime write) = 0;
  virtual Status ReadLink(const std::string& path, std::string* target) = 0;
  virtual Status CreateSymlink(const std::string& target, const std::string& path) = 0;

  // ---- Confinement
  // Below each of roots (directories ending with "/"), no call passes through
  // a symbolic link on its way to an entry, so that a directory swapped for a
  // link while a mirror runs cannot lead a write, a removal or a read
  // elsewhere. Links in a root's own path are followed: the user chose it.
  // Confined are every call that creates or changes an entry (both paths of
  // Move, Link and CommitTemp; both sides of CopyToTemp), and Stat, ListDir,
  // ReadLink and ReadSecurity. A link met between the root and the last
  // component fails the call with ELOOP (Cond::kOther), a ".." there with
  // EINVAL; the last component is treated as without confinement. Paths
  // outside every root behave as without confinement. A root is opened
  // (through the links in its path) at the first call on it or below it and
  // held until the roots change: one removed, replaced by a link or mounted
  // over meanwhile is not seen. Calls on a root itself act on that open
  // directory: Stat reports it (never a link) and ListDir lists it. An
  // empty list lifts the confinement. The scan confines to its source and
  // destination roots at its start and lifts that at its end; calls already
  // running keep the roots they began with.
  virtual void ConfineTo(const std::vector<std::string>& roots) = 0;

  // ---- Copy service
  // Copies the regular file src into a new temporary file in the directory of
  // dst (exclusive create, mode 0600 until committed, name recognisable as a
  // leftover of this program and within NAME_MAX). The source is opened
  // without following a link and without blocking; anything but a regular
  // file is refused; a source whose size, write time or change time changed
  // during the copy fails with Status::SourceChanged(). Holes of sparse files and user.*
  // extended attributes are kept. Progress is reported at least every MiB;
  // a progress answer other than 0 stops the copy with that code. On failure
  // nothing is left behind. On success *temp names the file, which carries
  // the source's permission bits and times, and dst is untouched. With
  // with_security it also carries the source's POSIX ACL (or none), and its
  // owner and group where the process may give them away (otherwise the copy
  // keeps its own). A set-ID bit is carried only with the owner or group it
  // names. What the destination did not keep goes into *lost (kMeta*; may be
  // null): the copy succeeds without it.
  virtual Status CopyToTemp(const std::string& src, const std::string& dst,
                            const CopyProgress& progress, bool with_security, std::string* temp,
                            uint32_t* lost) = 0;
  // Creates a symbolic link holding the text target under a new temporary
  // name beside dst, named as CopyToTemp names its files, so that CommitTemp
  // can put it in place of whatever dst holds in one step.
  virtual Status SymlinkToTemp(const std::string& target, const std::string& dst,
                               std::string* temp) = 0;
  // Renames a temporary entry made by CopyToTemp or SymlinkToTemp over dst,
  // replacing dst when it exists (dst must not be a directory).
  virtual Status CommitTemp(const std::string& temp, const std::string& dst) = 0;
  // True for a name made by CopyToTemp, SymlinkToTemp or CreateTempFile.
  virtual bool IsTempName(const std::string& name) = 0;
  // Creates an empty regular file (mode 0600) under a new temporary name
  // beside dst, named as CopyToTemp names its files, so that one left behind
  // is known as a leftover.
  virtual Status CreateTempFile(const std::string& dst, std::string* temp) = 0;
  // CopyToTemp then CommitTemp; the temporary file is removed on failure.
  Status CopyFile(const std::string& src, const std::string& dst, const CopyProgress& progress);

  // ---- Security
  virtual Status ReadSecurity(const std::string& path, SecurityDescriptor* sd) = 0;
  // Sets owner, group, permission bits, ACLs and user.* extended attributes;
  // an absent ACL or attribute removes the destination's. A link takes only
  // its owner and group. What the file system does not keep goes into *lost
  // (kMeta*; may be null) and fails nothing.
  virtual Status WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                               uint32_t* lost) = 0;
  // Ok when the process holds the capabilities to read and set the security
  // of files it does not own; Cond::kNotImplemented for an unprivileged user.
  virtual Status EnablePrivileges() = 0;
  // Whether the file system holding the existing directory dir keeps POSIX
  // ACLs: *keeps is false only when it says it keeps none. A directory that
  // cannot be asked (missing, unreadable, a dead mount) fails: no answer.
  virtual Status KeepsAcls(const std::string& dir, bool* keeps) = 0;

  // ---- Volumes
  virtual Status GetVolume(const std::string& path, VolumeInfo* info) = 0;
  // Bytes available to the user and the size of the volume holding path.
  virtual Status FreeSpace(const std::string& path, int64_t* free_bytes, int64_t* total_bytes) = 0;
  virtual Status ListMounts(std::vector<MountEntry>* mounts) = 0;

  // ---- Small text files (logs, exports, autostart)
  virtual Status ReadFile(const std::string& path, std::string* data) = 0;
  // Replaces the file's content atomically (temporary file and rename).
  virtual Status WriteFile(const std::string& path, const std::string& data) = 0;
  // Reads the regular files a and b side by side in blocks (memory bounded
  // by the block, not the files) and tells whether they hold the same bytes.
  // Neither is opened through a link in its last component nor waited for.
  virtual Status SameContent(const std::string& a, const std::string& b, bool* same) = 0;

  // ---- Environment, user and process
  virtual std::optional<std::string> GetEnv(const std::string& name) = 0;
  virtual uint32_t UserId() = 0;
  // The home directory that the user database gives the user named user, or
  // the process's user when user is empty. No such user: Cond::kNotFound.
  virtual Status UserHome(const std::string& user, std::string* home) = 0;
  // The login name of the user uid; Cond::kNotFound when none is known.
  virtual Status UserName(uint32_t uid, std::string* name) = 0;
  // Full path of the running program.
  virtual std::string ExecutablePath() = 0;
  // Start at logon: the XDG autostart entry whose Exec runs command.
  virtual Status GetAutostart(bool* enabled) = 0;
  virtual Status SetAutostart(bool enabled, const std::string& command) = 0;

  // ---- Time and threads
  virtual FileTime Now() = 0;
  virtual TLocalTime ToLocalTime(FileTime time) = 0;
  // Milliseconds of a monotonic clock.
  virtual int64_t TickMs() = 0;
  // Milliseconds since the user's last input; Cond::kNotImplemented when the
  // desktop offers no such service.
  virtual Status MillisSinceLastInput(int64_t* millis) = 0;
  // Priority of the calling thread by index: 0 "System idle" .. 6 "Time
  // critical". A refused raise is not an error.
  virtual Status SetThreadPriority(int priority_index) = 0;

  // ---- Places
  // Locates a directory path, following links; a path that does not exist
  // (yet) is placed by its nearest existing parent and the rest of its text.
  virtual Status LocatePath(const std::string& path, PathPlace* place) = 0;
  // ---- Locks between processes
  // Takes an exclusive lock on the directory dir (links in its path are
  // followed) without waiting, held until *lock is destroyed or the process
  // ends, however it ends. It is flock(2) on the directory; where the file
  // system refuses that (NFS), flock on the file fallback_name inside dir,
  // created when missing and never removed. Locks taken through two calls
  // exclude each other, in one process too. Held by someone else:
  // Cond::kBusy, with *holder naming the holding process where the kernel's
  // lock table does.
  virtual Status LockDir(const std::string& dir, const std::string& fallback_name,
                         std::unique_ptr<DirLock>* lock, LockHolder* holder) = 0;
  // As LockDir, but shared: any number of shared holders exclude only an
  // exclusive one. Never creates the fallback file (Cond::kNotFound when it
  // is needed and missing: no exclusive holder has used it yet). An
  // exclusive LockDir that finds only shared holders waits up to
  // kSharedLockWaitMs for them instead of failing at once: they only read.
  virtual Status LockDirShared(const std::string& dir, const std::string& fallback_name,
                               std::unique_ptr<DirLock>* lock, LockHolder* holder) = 0;
  static constexpr int64_t kSharedLockWaitMs = 10000;
  // ---- Room of file data
  // The layout of the volume that holds dir.
  virtual Status GetDataLayout(const std::string& dir, DataLayout* layout) = 0;
  // The bytes the data of the regular file at path takes (its holes left
  // out) when each data extent is widened to whole blocks of block_size.
  // Confined as Stat.
  virtual Status DataSize(const std::string& path, int64_t block_size, int64_t* bytes) = 0;

  // ---- The program's own entries (archive folders, log files)
  // They get exactly the permission bits given, whatever the umask, and the
  // owner and group of the directory that holds them where the process may
  // give entries away. A file system that keeps no owners or modes is no
  // error: the entry is made no more open than the bits given.
  // Creates one directory level, mode 0700; as CreateDir otherwise.
  virtual Status CreatePrivateDir(const std::string& path) = 0;
  // Opens the directory dir and holds it. A root of ConfineTo is the
  // directory the confinement holds for it (opened at the first call below
  // it, so a mirror's root as it was when the mirror started); a directory
  // below a root is reached without a link on the way; any other path is
  // opened as a root is, following links.
  virtual Status HoldDir(const std::string& dir, std::unique_ptr<HeldDir>* held) = 0;
  // ListDir of the directory name directly inside held (one component; ""
  // lists held itself), opened from held's descriptor without following a
  // link: one open, and no resolution from a root, so that a second thread
  // listing ahead leaves the confinement's own descriptors alone. A link
  // swapped in for the directory fails (ELOOP), and so does one
  // whose joined path is too long for a path (ENAMETOOLONG). *identity tells
  // which directory was read.
  virtual Status ListDirAt(const HeldDir& held, const std::string& name,
                           std::vector<DirEntry>* entries, DirIdentity* identity) = 0;
  // Appends all of data or nothing (a failed append is cut back off) to the
  // file at relative below held, creating it (mode 0600) when missing;
  // *created tells which happened. No symbolic link and no ".." is passed on
  // the way, whatever held's path leads to by now (ELOOP, EINVAL).
  virtual Status AppendPrivateFile(const HeldDir& held, const std::string& relative,
                                   const std::string& data, bool* created) = 0;
};

// The POSIX implementation. Only main() of each program calls this; everything
// else receives the platform it should use.
Platform& DefaultPlatform();

}  // namespace qv

#endif  // QUORVANE_FILESYS_PLATFORM_H_
