#include "engine/change_wrapper.h"

#include "filesys/path_ops.h"

namespace qv {

Status TChangeWrapper::Noted(const Status& status, TKind kind,
                             std::initializer_list<std::string> paths) {
  OnChange(status, kind, paths);
  return status;
}

Status TChangeWrapper::CreateDir(const std::string& path) {
  return Noted(PlatformWrapper::CreateDir(path), TKind::kData, {path});
}

Status TChangeWrapper::RemoveDir(const std::string& path) {
  return Noted(PlatformWrapper::RemoveDir(path), TKind::kData, {path});
}

Status TChangeWrapper::DeleteFile(const std::string& path) {
  return Noted(PlatformWrapper::DeleteFile(path), TKind::kData, {path});
}

Status TChangeWrapper::Move(const std::string& from, const std::string& to) {
  return Noted(PlatformWrapper::Move(from, to), TKind::kData, {from, to});
}

// The link count of from changes with it.
Status TChangeWrapper::Link(const std::string& from, const std::string& to) {
  return Noted(PlatformWrapper::Link(from, to), TKind::kMetadata, {from, to});
}

Status TChangeWrapper::SetAttributes(const std::string& path, uint32_t attributes) {
  return Noted(PlatformWrapper::SetAttributes(path, attributes), TKind::kMetadata, {path});
}

Status TChangeWrapper::SetTimes(const std::string& path, FileTime access, FileTime write) {
  return Noted(PlatformWrapper::SetTimes(path, access, write), TKind::kMetadata, {path});
}

Status TChangeWrapper::CreateSymlink(const std::string& target, const std::string& path) {
  return Noted(PlatformWrapper::CreateSymlink(target, path), TKind::kData, {path});
}

// Reading src moves its access time, which nothing compares; it counts as
// changed all the same, in case a mapping copies within the tree.
Status TChangeWrapper::CopyToTemp(const std::string& src, const std::string& dst,
                                  const CopyProgress& progress, bool with_security,
                                  std::string* temp, uint32_t* lost) {
  return Noted(PlatformWrapper::CopyToTemp(src, dst, progress, with_security, temp, lost),
               TKind::kData, {src, dst});
}

Status TChangeWrapper::SymlinkToTemp(const std::string& target, const std::string& dst,
                                     std::string* temp) {
  return Noted(PlatformWrapper::SymlinkToTemp(target, dst, temp), TKind::kData, {dst});
}

Status TChangeWrapper::CommitTemp(const std::string& temp, const std::string& dst) {
  return Noted(PlatformWrapper::CommitTemp(temp, dst), TKind::kData, {temp, dst});
}

Status TChangeWrapper::CreateTempFile(const std::string& dst, std::string* temp) {
  return Noted(PlatformWrapper::CreateTempFile(dst, temp), TKind::kData, {dst});
}

Status TChangeWrapper::WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                                     uint32_t* lost) {
  return Noted(PlatformWrapper::WriteSecurity(path, sd, lost), TKind::kMetadata, {path});
}

Status TChangeWrapper::WriteFile(const std::string& path, const std::string& data) {
  return Noted(PlatformWrapper::WriteFile(path, data), TKind::kData, {path});
}

Status TChangeWrapper::CreatePrivateDir(const std::string& path) {
  return Noted(PlatformWrapper::CreatePrivateDir(path), TKind::kData, {path});
}

// The fallback lock file may be made in dir.
Status TChangeWrapper::LockDir(const std::string& dir, const std::string& fallback_name,
                               std::unique_ptr<DirLock>* lock, LockHolder* holder) {
  return Noted(PlatformWrapper::LockDir(dir, fallback_name, lock, holder), TKind::kOwn,
               {IncludeTrailingSeparator(dir) + fallback_name});
}

Status TChangeWrapper::AppendPrivateFile(const HeldDir& held, const std::string& relative,
                                         const std::string& data, bool* created) {
  return Noted(PlatformWrapper::AppendPrivateFile(held, relative, data, created), TKind::kOwn,
               {IncludeTrailingSeparator(held.path()) + relative});
}

}  // namespace qv
