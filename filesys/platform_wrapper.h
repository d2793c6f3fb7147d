#ifndef QUORVANE_FILESYS_PLATFORM_WRAPPER_H_
#define QUORVANE_FILESYS_PLATFORM_WRAPPER_H_

#include "filesys/platform.h"

namespace qv {

// A Platform that forwards every call to another one. Test doubles derive
// from it and override only what they change. The target must outlive the
// wrapper.
class PlatformWrapper : public Platform {
 public:
  explicit PlatformWrapper(Platform& target) : target_(target) {}

  Status Stat(const std::string& path, FileInfo* info) override { return target_.Stat(path, info); }
  Status StatWithBirth(const std::string& path, FileInfo* info) override {
    return target_.StatWithBirth(path, info);
  }
  Status ListDir(const std::string& dir, std::vector<DirEntry>* entries) override {
    return target_.ListDir(dir, entries);
  }
  Status CreateDir(const std::string& path) override { return target_.CreateDir(path); }
  Status RemoveDir(const std::string& path) override { return target_.RemoveDir(path); }
  Status DeleteFile(const std::string& path) override { return target_.DeleteFile(path); }
  Status Move(const std::string& from, const std::string& to) override {
    return target_.Move(from, to);
  }
  Status Link(const std::string& from, const std::string& to) override {
    return target_.Link(from, to);
  }
  Status SetAttributes(const std::string& path, uint32_t attributes) override {
    return target_.SetAttributes(path, attributes);
  }
  Status SetTimes(const std::string& path, FileTime access, FileTime write) override {
    return target_.SetTimes(path, access, write);
  }
  Status ReadLink(const std::string& path, std::string* target) override {
    return target_.ReadLink(path, target);
  }
  Status CreateSymlink(const std::string& target, const std::string& path) override {
    return target_.CreateSymlink(target, path);
  }
  void ConfineTo(const std::vector<std::string>& roots) override { target_.ConfineTo(roots); }

  Status CopyToTemp(const std::string& src, const std::string& dst, const CopyProgress& progress,
                    bool with_security, std::string* temp, uint32_t* lost) override {
    return target_.CopyToTemp(src, dst, progress, with_security, temp, lost);
  }
  Status SymlinkToTemp(const std::string& target, const std::string& dst,
                       std::string* temp) override {
    return target_.SymlinkToTemp(target, dst, temp);
  }
  Status CommitTemp(const std::string& temp, const std::string& dst) override {
    return target_.CommitTemp(temp, dst);
  }
  bool IsTempName(const std::string& name) override { return target_.IsTempName(name); }
  Status CreateTempFile(const std::string& dst, std::string* temp) override {
    return target_.CreateTempFile(dst, temp);
  }

  Status ReadSecurity(const std::string& path, SecurityDescriptor* sd) override {
    return target_.ReadSecurity(path, sd);
  }
  Status WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                       uint32_t* lost) override {
    return target_.WriteSecurity(path, sd, lost);
  }
  Status EnablePrivileges() override { return target_.EnablePrivileges(); }

  Status KeepsAcls(const std::string& dir, bool* keeps) override {
    return target_.KeepsAcls(dir, keeps);
  }
  Status GetVolume(const std::string& path, VolumeInfo* info) override {
    return target_.GetVolume(path, info);
  }
  Status FreeSpace(const std::string& path, int64_t* free_bytes, int64_t* total_bytes) override {
    return target_.FreeSpace(path, free_bytes, total_bytes);
  }
  Status ListMounts(std::vector<MountEntry>* mounts) override { return target_.ListMounts(mounts); }

  Status ReadFile(const std::string& path, std::string* data) override {
    return target_.ReadFile(path, data);
  }
  Status WriteFile(const std::string& path, const std::string& data) override {
    return target_.WriteFile(path, data);
  }
  Status SameContent(const std::string& a, const std::string& b, bool* same) override {
    return target_.SameContent(a, b, same);
  }

  std::optional<std::string> GetEnv(const std::string& name) override {
    return target_.GetEnv(name);
  }
  uint32_t UserId() override { return target_.UserId(); }
  Status UserHome(const std::string& user, std::string* home) override {
    return target_.UserHome(user, home);
  }
  Status UserName(uint32_t uid, std::string* name) override {
    return target_.UserName(uid, name);
  }
  std::string ExecutablePath() override { return target_.ExecutablePath(); }
  Status GetAutostart(bool* enabled) override { return target_.GetAutostart(enabled); }
  Status SetAutostart(bool enabled, const std::string& command) override {
    return target_.SetAutostart(enabled, command);
  }

  FileTime Now() override { return target_.Now(); }
  TLocalTime ToLocalTime(FileTime time) override { return target_.ToLocalTime(time); }
  int64_t TickMs() override { return target_.TickMs(); }
  Status MillisSinceLastInput(int64_t* millis) override {
    return target_.MillisSinceLastInput(millis);
  }
  Status SetThreadPriority(int priority_index) override {
    return target_.SetThreadPriority(priority_index);
  }
  Status LocatePath(const std::string& path, PathPlace* place) override {
    return target_.LocatePath(path, place);
  }
  Status LockDir(const std::string& dir, const std::string& fallback_name,
                 std::unique_ptr<DirLock>* lock, LockHolder* holder) override {
    return target_.LockDir(dir, fallback_name, lock, holder);
  }
  Status LockDirShared(const std::string& dir, const std::string& fallback_name,
                       std::unique_ptr<DirLock>* lock, LockHolder* holder) override {
    return target_.LockDirShared(dir, fallback_name, lock, holder);
  }

  Status GetDataLayout(const std::string& dir, DataLayout* layout) override {
    return target_.GetDataLayout(dir, layout);
  }
  Status DataSize(const std::string& path, int64_t block_size, int64_t* bytes) override {
    return target_.DataSize(path, block_size, bytes);
  }
  Status CreatePrivateDir(const std::string& path) override {
    return target_.CreatePrivateDir(path);
  }
  Status HoldDir(const std::string& dir, std::unique_ptr<HeldDir>* held) override {
    return target_.HoldDir(dir, held);
  }
  Status ListDirAt(const HeldDir& held, const std::string& name, std::vector<DirEntry>* entries,
                   DirIdentity* identity) override {
    return target_.ListDirAt(held, name, entries, identity);
  }
  Status AppendPrivateFile(const HeldDir& held, const std::string& relative,
                           const std::string& data, bool* created) override {
    return target_.AppendPrivateFile(held, relative, data, created);
  }

 private:
  Platform& target_;
};

}  // namespace qv

#endif  // QUORVANE_FILESYS_PLATFORM_WRAPPER_H_
