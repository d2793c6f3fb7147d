#include "filesys/testing/fault_platform.h"

namespace qv {

namespace {

// The real call, unless a fault answered instead.
template <typename Call>
Status Unless(Status fault, Call call) {
  return fault.ok() ? call() : fault;
}

}  // namespace

void FaultPlatform::AddFault(const Fault& fault) {
  std::lock_guard lock(mu_);
  faults_.push_back(fault);
}

void FaultPlatform::ClearFaults() {
  std::lock_guard lock(mu_);
  faults_.clear();
}

int FaultPlatform::Calls(Op op) const {
  std::lock_guard lock(mu_);
  return calls_[static_cast<size_t>(op)];
}

void FaultPlatform::SetNow(FileTime now) {
  std::lock_guard lock(mu_);
  now_ = now;
}

void FaultPlatform::Advance(int64_t ticks) {
  std::lock_guard lock(mu_);
  if (!now_) now_ = PlatformWrapper::Now();
  *now_ += ticks;
}

void FaultPlatform::SetFreeSpace(int64_t free_bytes, int64_t total_bytes) {
  std::lock_guard lock(mu_);
  free_space_ = std::make_pair(free_bytes, total_bytes);
}

FaultPlatform::Due FaultPlatform::Enter(Op op, const std::string& path) {
  if (on_call) on_call(op, path);
  std::lock_guard lock(mu_);
  ++calls_[static_cast<size_t>(op)];
  for (Fault& fault : faults_) {
    if (fault.op != op || fault.times == 0 || path.find(fault.path_part) == std::string::npos) {
      continue;
    }
    if (fault.after > 0) {
      --fault.after;
      continue;
    }
    if (fault.times > 0) --fault.times;
    return Due{fault.error, op == Op::kCopyToTemp ? fault.after_bytes : -1};
  }
  return Due{};
}

Status FaultPlatform::Check(Op op, const std::string& path) {
  return Status::FromErrno(Enter(op, path).error);
}

Status FaultPlatform::Stat(const std::string& path, FileInfo* info) {
  return Unless(Check(Op::kStat, path), [&] { return PlatformWrapper::Stat(path, info); });
}

Status FaultPlatform::StatWithBirth(const std::string& path, FileInfo* info) {
  return Unless(Check(Op::kStatWithBirth, path),
                [&] { return PlatformWrapper::StatWithBirth(path, info); });
}

Status FaultPlatform::ListDir(const std::string& dir, std::vector<DirEntry>* entries) {
  return Unless(Check(Op::kListDir, dir), [&] { return PlatformWrapper::ListDir(dir, entries); });
}

Status FaultPlatform::CreateDir(const std::string& path) {
  return Unless(Check(Op::kCreateDir, path), [&] { return PlatformWrapper::CreateDir(path); });
}

Status FaultPlatform::RemoveDir(const std::string& path) {
  return Unless(Check(Op::kRemoveDir, path), [&] { return PlatformWrapper::RemoveDir(path); });
}

Status FaultPlatform::DeleteFile(const std::string& path) {
  return Unless(Check(Op::kDeleteFile, path), [&] { return PlatformWrapper::DeleteFile(path); });
}

Status FaultPlatform::Move(const std::string& from, const std::string& to) {
  return Unless(Check(Op::kMove, from), [&] { return PlatformWrapper::Move(from, to); });
}

Status FaultPlatform::Link(const std::string& from, const std::string& to) {
  return Unless(Check(Op::kLink, from), [&] { return PlatformWrapper::Link(from, to); });
}

Status FaultPlatform::SetAttributes(const std::string& path, uint32_t attributes) {
  return Unless(Check(Op::kSetAttributes, path),
                [&] { return PlatformWrapper::SetAttributes(path, attributes); });
}

Status FaultPlatform::SetTimes(const std::string& path, FileTime access, FileTime write) {
  return Unless(Check(Op::kSetTimes, path),
                [&] { return PlatformWrapper::SetTimes(path, access, write); });
}

Status FaultPlatform::ReadLink(const std::string& path, std::string* target) {
  return Unless(Check(Op::kReadLink, path),
                [&] { return PlatformWrapper::ReadLink(path, target); });
}

Status FaultPlatform::CreateSymlink(const std::string& target, const std::string& path) {
  return Unless(Check(Op::kCreateSymlink, path),
                [&] { return PlatformWrapper::CreateSymlink(target, path); });
}

Status FaultPlatform::CopyToTemp(const std::string& src, const std::string& dst,
                                 const CopyProgress& progress, bool with_security,
                                 std::string* temp, uint32_t* lost) {
  const Due due = Enter(Op::kCopyToTemp, src);
  if (due.error != 0 && due.after_bytes < 0) return Status::FromErrno(due.error);
  // The copy runs for real; a fault due after some bytes stops it through
  // its progress answer, so that the copy service's own clean-up after a
  // failure is exercised.
  const CopyProgress failing = [this, &src, &progress, due](int64_t copied, int64_t total) {
    if (on_progress) on_progress(src, copied);
    if (due.error != 0 && copied >= due.after_bytes) return due.error;
    return progress ? progress(copied, total) : 0;
  };
  return PlatformWrapper::CopyToTemp(src, dst, failing, with_security, temp, lost);
}

Status FaultPlatform::SymlinkToTemp(const std::string& target, const std::string& dst,
                                    std::string* temp) {
  return Unless(Check(Op::kSymlinkToTemp, dst),
                [&] { return PlatformWrapper::SymlinkToTemp(target, dst, temp); });
}

Status FaultPlatform::CommitTemp(const std::string& temp, const std::string& dst) {
  return Unless(Check(Op::kCommitTemp, temp),
                [&] { return PlatformWrapper::CommitTemp(temp, dst); });
}

Status FaultPlatform::ReadSecurity(const std::string& path, SecurityDescriptor* sd) {
  return Unless(Check(Op::kReadSecurity, path),
                [&] { return PlatformWrapper::ReadSecurity(path, sd); });
}

Status FaultPlatform::WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                                    uint32_t* lost) {
  return Unless(Check(Op::kWriteSecurity, path),
                [&] { return PlatformWrapper::WriteSecurity(path, sd, lost); });
}

Status FaultPlatform::EnablePrivileges() {
  return Unless(Check(Op::kEnablePrivileges, ""),
                [&] { return PlatformWrapper::EnablePrivileges(); });
}

Status FaultPlatform::KeepsAcls(const std::string& dir, bool* keeps) {
  return Unless(Check(Op::kKeepsAcls, dir), [&] { return PlatformWrapper::KeepsAcls(dir, keeps); });
}

Status FaultPlatform::GetVolume(const std::string& path, VolumeInfo* info) {
  return Unless(Check(Op::kGetVolume, path),
                [&] { return PlatformWrapper::GetVolume(path, info); });
}

Status FaultPlatform::FreeSpace(const std::string& path, int64_t* free_bytes,
                                int64_t* total_bytes) {
  Status s = Check(Op::kFreeSpace, path);
  if (!s.ok()) return s;
  {
    std::lock_guard lock(mu_);
    if (free_space_) {
      *free_bytes = free_space_->first;
      *total_bytes = free_space_->second;
      return Status::Ok();
    }
  }
  return PlatformWrapper::FreeSpace(path, free_bytes, total_bytes);
}

Status FaultPlatform::ListMounts(std::vector<MountEntry>* mounts) {
  return Unless(Check(Op::kListMounts, ""), [&] { return PlatformWrapper::ListMounts(mounts); });
}

Status FaultPlatform::ReadFile(const std::string& path, std::string* data) {
  return Unless(Check(Op::kReadFile, path), [&] { return PlatformWrapper::ReadFile(path, data); });
}

Status FaultPlatform::WriteFile(const std::string& path, const std::string& data) {
  return Unless(Check(Op::kWriteFile, path),
                [&] { return PlatformWrapper::WriteFile(path, data); });
}

Status FaultPlatform::UserName(uint32_t uid, std::string* name) {
  return Unless(Check(Op::kUserName, ""), [&] { return PlatformWrapper::UserName(uid, name); });
}

Status FaultPlatform::GetAutostart(bool* enabled) {
  return Unless(Check(Op::kGetAutostart, ""),
                [&] { return PlatformWrapper::GetAutostart(enabled); });
}

Status FaultPlatform::SetAutostart(bool enabled, const std::string& command) {
  return Unless(Check(Op::kSetAutostart, ""),
                [&] { return PlatformWrapper::SetAutostart(enabled, command); });
}

Status FaultPlatform::UserHome(const std::string& user, std::string* home) {
  return Unless(Check(Op::kUserHome, user), [&] { return PlatformWrapper::UserHome(user, home); });
}

FileTime FaultPlatform::Now() {
  {
    std::lock_guard lock(mu_);
    if (now_) return *now_;
  }
  return PlatformWrapper::Now();
}

Status FaultPlatform::MillisSinceLastInput(int64_t* millis) {
  return Unless(Check(Op::kMillisSinceLastInput, ""),
                [&] { return PlatformWrapper::MillisSinceLastInput(millis); });
}

Status FaultPlatform::SetThreadPriority(int priority_index) {
  return Unless(Check(Op::kSetThreadPriority, ""),
                [&] { return PlatformWrapper::SetThreadPriority(priority_index); });
}

Status FaultPlatform::LocatePath(const std::string& path, PathPlace* place) {
  return Unless(Check(Op::kLocatePath, path),
                [&] { return PlatformWrapper::LocatePath(path, place); });
}

Status FaultPlatform::LockDir(const std::string& dir, const std::string& fallback_name,
                              std::unique_ptr<DirLock>* lock, LockHolder* holder) {
  return Unless(Check(Op::kLockDir, dir),
                [&] { return PlatformWrapper::LockDir(dir, fallback_name, lock, holder); });
}

Status FaultPlatform::LockDirShared(const std::string& dir, const std::string& fallback_name,
                                    std::unique_ptr<DirLock>* lock, LockHolder* holder) {
  return Unless(Check(Op::kLockDirShared, dir),
                [&] { return PlatformWrapper::LockDirShared(dir, fallback_name, lock, holder); });
}

Status FaultPlatform::CreateTempFile(const std::string& dst, std::string* temp) {
  return Unless(Check(Op::kCreateTempFile, dst),
                [&] { return PlatformWrapper::CreateTempFile(dst, temp); });
}

Status FaultPlatform::GetDataLayout(const std::string& dir, DataLayout* layout) {
  return Unless(Check(Op::kGetDataLayout, dir),
                [&] { return PlatformWrapper::GetDataLayout(dir, layout); });
}

Status FaultPlatform::DataSize(const std::string& path, int64_t block_size, int64_t* bytes) {
  return Unless(Check(Op::kDataSize, path),
                [&] { return PlatformWrapper::DataSize(path, block_size, bytes); });
}

Status FaultPlatform::CreatePrivateDir(const std::string& path) {
  return Unless(Check(Op::kCreateDir, path),
                [&] { return PlatformWrapper::CreatePrivateDir(path); });
}

Status FaultPlatform::HoldDir(const std::string& dir, std::unique_ptr<HeldDir>* held) {
  return Unless(Check(Op::kHoldDir, dir), [&] { return PlatformWrapper::HoldDir(dir, held); });
}

Status FaultPlatform::ListDirAt(const HeldDir& held, const std::string& name,
                                std::vector<DirEntry>* entries, DirIdentity* identity) {
  const std::string& dir = held.path();
  const std::string path = name.empty() || dir.ends_with('/') ? dir + name : dir + "/" + name;
  return Unless(Check(Op::kListDir, path),
                [&] { return PlatformWrapper::ListDirAt(held, name, entries, identity); });
}

Status FaultPlatform::AppendPrivateFile(const HeldDir& held, const std::string& relative,
                                        const std::string& data, bool* created) {
  const std::string& dir = held.path();
  const std::string path = dir.ends_with('/') ? dir + relative : dir + "/" + relative;
  return Unless(Check(Op::kAppendFile, path),
                [&] { return PlatformWrapper::AppendPrivateFile(held, relative, data, created); });
}

}  // namespace qv
