#ifndef QUORVANE_FILESYS_POSIX_POSIX_PLATFORM_H_
#define QUORVANE_FILESYS_POSIX_POSIX_PLATFORM_H_

#include "filesys/platform.h"
#include "filesys/posix/confinement.h"

namespace qv {

// The Platform of Linux and other POSIX systems. Its only state is the
// thread-safe confinement: one object may serve every thread. The methods are
// spread over the posix_*.cpp files by subject (entries, listing, security,
// volumes, text files, environment).
class PosixPlatform : public Platform {
 public:
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
  void ConfineTo(const std::vector<std::string>& roots) override;

  Status CopyToTemp(const std::string& src, const std::string& dst, const CopyProgress& progress,
                    bool with_security, std::string* temp, uint32_t* lost) override;
  Status SymlinkToTemp(const std::string& target, const std::string& dst,
                       std::string* temp) override;
  Status CommitTemp(const std::string& temp, const std::string& dst) override;
  bool IsTempName(const std::string& name) override;
  Status CreateTempFile(const std::string& dst, std::string* temp) override;

  Status ReadSecurity(const std::string& path, SecurityDescriptor* sd) override;
  Status WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                       uint32_t* lost) override;
  Status EnablePrivileges() override;
  Status KeepsAcls(const std::string& dir, bool* keeps) override;

  Status GetVolume(const std::string& path, VolumeInfo* info) override;
  Status FreeSpace(const std::string& path, int64_t* free_bytes, int64_t* total_bytes) override;
  Status ListMounts(std::vector<MountEntry>* mounts) override;

  Status ReadFile(const std::string& path, std::string* data) override;
  Status WriteFile(const std::string& path, const std::string& data) override;
  Status SameContent(const std::string& a, const std::string& b, bool* same) override;

  std::optional<std::string> GetEnv(const std::string& name) override;
  uint32_t UserId() override;
  Status UserHome(const std::string& user, std::string* home) override;
  Status UserName(uint32_t uid, std::string* name) override;
  std::string ExecutablePath() override;
  Status GetAutostart(bool* enabled) override;
  Status SetAutostart(bool enabled, const std::string& command) override;

  FileTime Now() override;
  TLocalTime ToLocalTime(FileTime time) override;
  int64_t TickMs() override;
  Status MillisSinceLastInput(int64_t* millis) override;
  Status SetThreadPriority(int priority_index) override;
  Status LockDir(const std::string& dir, const std::string& fallback_name,
                 std::unique_ptr<DirLock>* lock, LockHolder* holder) override;
  Status LockDirShared(const std::string& dir, const std::string& fallback_name,
                       std::unique_ptr<DirLock>* lock, LockHolder* holder) override;

  Status LocatePath(const std::string& path, PathPlace* place) override;

  Status GetDataLayout(const std::string& dir, DataLayout* layout) override;
  Status DataSize(const std::string& path, int64_t block_size, int64_t* bytes) override;
  Status CreatePrivateDir(const std::string& path) override;
  Status HoldDir(const std::string& dir, std::unique_ptr<HeldDir>* held) override;
  Status ListDirAt(const HeldDir& held, const std::string& name, std::vector<DirEntry>* entries,
                   DirIdentity* identity) override;
  Status AppendPrivateFile(const HeldDir& held, const std::string& relative,
                           const std::string& data, bool* created) override;

  // For tests of the resolution without openat2.
  Confinement& confinement() { return confinement_; }

 private:
  Confinement confinement_;
};

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_POSIX_PLATFORM_H_
