#include "engine/listing_changes.h"

#include "filesys/path_ops.h"

namespace qv {

Status TListingChanges::Noted(const Status& status, std::initializer_list<std::string> paths) {
  if (ahead_ != nullptr) {
    for (const std::string& path : paths) ahead_->Changed(path);
  }
  return status;
}

Status TListingChanges::CreateDir(const std::string& path) {
  return Noted(PlatformWrapper::CreateDir(path), {path});
}

Status TListingChanges::RemoveDir(const std::string& path) {
  return Noted(PlatformWrapper::RemoveDir(path), {path});
}

Status TListingChanges::DeleteFile(const std::string& path) {
  return Noted(PlatformWrapper::DeleteFile(path), {path});
}

Status TListingChanges::Move(const std::string& from, const std::string& to) {
  return Noted(PlatformWrapper::Move(from, to), {from, to});
}

// The link count of from changes with it.
Status TListingChanges::Link(const std::string& from, const std::string& to) {
  return Noted(PlatformWrapper::Link(from, to), {from, to});
}

Status TListingChanges::SetAttributes(const std::string& path, uint32_t attributes) {
  return Noted(PlatformWrapper::SetAttributes(path, attributes), {path});
}

Status TListingChanges::SetTimes(const std::string& path, FileTime access, FileTime write) {
  return Noted(PlatformWrapper::SetTimes(path, access, write), {path});
}

Status TListingChanges::CreateSymlink(const std::string& target, const std::string& path) {
  return Noted(PlatformWrapper::CreateSymlink(target, path), {path});
}

// Reading src moves its access time, which nothing compares; its directory
// is reported all the same, in case a mapping copies within the tree.
Status TListingChanges::CopyToTemp(const std::string& src, const std::string& dst,
                                   const CopyProgress& progress, bool with_security,
                                   std::string* temp, uint32_t* lost) {
  return Noted(PlatformWrapper::CopyToTemp(src, dst, progress, with_security, temp, lost),
               {src, dst});
}

Status TListingChanges::SymlinkToTemp(const std::string& target, const std::string& dst,
                                      std::string* temp) {
  return Noted(PlatformWrapper::SymlinkToTemp(target, dst, temp), {dst});
}

Status TListingChanges::CommitTemp(const std::string& temp, const std::string& dst) {
  return Noted(PlatformWrapper::CommitTemp(temp, dst), {temp, dst});
}

Status TListingChanges::CreateTempFile(const std::string& dst, std::string* temp) {
  return Noted(PlatformWrapper::CreateTempFile(dst, temp), {dst});
}

Status TListingChanges::WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                                      uint32_t* lost) {
  return Noted(PlatformWrapper::WriteSecurity(path, sd, lost), {path});
}

Status TListingChanges::WriteFile(const std::string& path, const std::string& data) {
  return Noted(PlatformWrapper::WriteFile(path, data), {path});
}

Status TListingChanges::CreatePrivateDir(const std::string& path) {
  return Noted(PlatformWrapper::CreatePrivateDir(path), {path});
}

// The fallback lock file may be made in dir.
Status TListingChanges::LockDir(const std::string& dir, const std::string& fallback_name,
                                std::unique_ptr<DirLock>* lock, LockHolder* holder) {
  return Noted(PlatformWrapper::LockDir(dir, fallback_name, lock, holder),
               {IncludeTrailingSeparator(dir) + fallback_name});
}

Status TListingChanges::AppendPrivateFile(const HeldDir& held, const std::string& relative,
                                          const std::string& data, bool* created) {
  return Noted(PlatformWrapper::AppendPrivateFile(held, relative, data, created),
               {IncludeTrailingSeparator(held.path()) + relative});
}

}  // namespace qv
