#ifndef QUORVANE_FILESYS_TESTING_FAULT_PLATFORM_H_
#define QUORVANE_FILESYS_TESTING_FAULT_PLATFORM_H_

#include <array>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "filesys/platform_wrapper.h"

namespace qv {

// The calls of Platform that can be made to fail.
enum class Op {
  kStat,
  kListDir,
  kCreateDir,
  kRemoveDir,
  kDeleteFile,
  kMove,
  kLink,
  kSetAttributes,
  kSetTimes,
  kReadLink,
  kCreateSymlink,
  kCopyToTemp,
  kSymlinkToTemp,
  kCommitTemp,
  kReadSecurity,
  kWriteSecurity,
  kEnablePrivileges,
  kGetVolume,
  kFreeSpace,
  kListMounts,
  kReadFile,
  kWriteFile,
  kAppendFile,
  kGetAutostart,
  kSetAutostart,
  kMillisSinceLastInput,
  kSetThreadPriority,
  kLocatePath,
  kLockDir,
  kCreateTempFile,
  kGetDataLayout,
  kDataSize,
  kHoldDir,
  kUserHome,
  kUserName,
  kKeepsAcls,
  kStatWithBirth,
  kLockDirShared,
  kCount,  // not an op: the number of ops above, which size the call counters
};

// One injected failure. A call matches when its op is op and path_part is
// empty or part of the call's path: the first path argument (the source of
// Move, Link and CopyToTemp, the temporary file of CommitTemp) and, for
// CreateSymlink and SymlinkToTemp, the link being made; for AppendPrivateFile
// the held directory's path and the relative path. CreatePrivateDir counts as
// kCreateDir, AppendPrivateFile as kAppendFile. Calls without a path
// only match an empty path_part; UserHome matches on the user's name.
struct Fault {
  Op op;
  std::string path_part;     // "" = any
  int after = 0;             // matching calls that still succeed first
  int error = EIO;           // errno to fail with
  int times = -1;            // failures before the fault is spent; -1 = forever
  int64_t after_bytes = -1;  // kCopyToTemp only: run the real copy and fail it
                             // with error once progress reported this many bytes
};

// Wraps a real platform and fails chosen calls with chosen errors, counts
// calls, and can pin the clock and the free space of volumes. Faults are
// checked in the order they were added; each one counts the matching calls it
// sees until it is due, and the first due fault fails the call.
//
// Threads: every method may be called from any thread. on_call must be set
// before the platform is shared; it runs without the internal lock, so it may
// add or clear faults.
class FaultPlatform : public PlatformWrapper {
 public:
  explicit FaultPlatform(Platform& target) : PlatformWrapper(target) {}

  void AddFault(const Fault& fault);
  void ClearFaults();
  int Calls(Op op) const;  // calls seen per op, failed or not
  // Pins Now() to now; Advance() moves it on (starting from the real time
  // when nothing was pinned yet).
  void SetNow(FileTime now);
  void Advance(int64_t ticks);
  // FreeSpace answers these for every path from now on.
  void SetFreeSpace(int64_t free_bytes, int64_t total_bytes);

  // Runs before each call that has an Op, with the path a fault would match.
  std::function<void(Op, const std::string& path)> on_call;
  // Runs at every progress report of a CopyToTemp that goes ahead, with its
  // source and the bytes copied so far: a writer at work during the copy.
  std::function<void(const std::string& src, int64_t copied)> on_progress;

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
  Status ReadSecurity(const std::string& path, SecurityDescriptor* sd) override;
  Status WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                       uint32_t* lost) override;
  Status EnablePrivileges() override;
  Status GetVolume(const std::string& path, VolumeInfo* info) override;
  Status FreeSpace(const std::string& path, int64_t* free_bytes, int64_t* total_bytes) override;
  Status ListMounts(std::vector<MountEntry>* mounts) override;
  Status ReadFile(const std::string& path, std::string* data) override;
  Status WriteFile(const std::string& path, const std::string& data) override;
  Status UserName(uint32_t uid, std::string* name) override;
  Status KeepsAcls(const std::string& dir, bool* keeps) override;
  Status GetAutostart(bool* enabled) override;
  Status SetAutostart(bool enabled, const std::string& command) override;
  Status UserHome(const std::string& user, std::string* home) override;
  FileTime Now() override;
  Status MillisSinceLastInput(int64_t* millis) override;
  Status SetThreadPriority(int priority_index) override;
  Status LocatePath(const std::string& path, PathPlace* place) override;
  Status LockDir(const std::string& dir, const std::string& fallback_name,
                 std::unique_ptr<DirLock>* lock, LockHolder* holder) override;
  Status LockDirShared(const std::string& dir, const std::string& fallback_name,
                       std::unique_ptr<DirLock>* lock, LockHolder* holder) override;
  Status CreateTempFile(const std::string& dst, std::string* temp) override;
  Status GetDataLayout(const std::string& dir, DataLayout* layout) override;
  Status DataSize(const std::string& path, int64_t block_size, int64_t* bytes) override;
  Status CreatePrivateDir(const std::string& path) override;
  Status HoldDir(const std::string& dir, std::unique_ptr<HeldDir>* held) override;
  // Counts and fails as kListDir, on the held path joined with name.
  Status ListDirAt(const HeldDir& held, const std::string& name, std::vector<DirEntry>* entries,
                   DirIdentity* identity) override;
  Status AppendPrivateFile(const HeldDir& held, const std::string& relative,
                           const std::string& data, bool* created) override;

 private:
  static constexpr size_t kOpCount = static_cast<size_t>(Op::kCount);

  // The fault due for one call; error 0 when the call goes through.
  struct Due {
    int error = 0;
    int64_t after_bytes = -1;
  };

  // Runs on_call, counts the call and picks the fault that is due.
  Due Enter(Op op, const std::string& path);
  // Enter for calls that fail at once.
  Status Check(Op op, const std::string& path);

  mutable std::mutex mu_;
  std::vector<Fault> faults_;
  std::array<int, kOpCount> calls_{};
  std::optional<FileTime> now_;
  std::optional<std::pair<int64_t, int64_t>> free_space_;
};

}  // namespace qv

#endif  // QUORVANE_FILESYS_TESTING_FAULT_PLATFORM_H_
