#include "engine/write_watch.h"

#include <utility>

#include "filesys/path_ops.h"

namespace qv {

namespace {

// Failures a file's own state explains.
bool OwnFailure(Cond cond) {
  switch (cond) {
    case Cond::kDiskFull:
    case Cond::kExists:
    case Cond::kNotFound:
    case Cond::kSourceChanged:
    case Cond::kCancelled:
      return true;
    default:
      return false;
  }
}

}  // namespace

TWriteWatch::TWriteWatch(Platform& target, std::string root)
    : PlatformWrapper(target), root_(std::move(root)) {}

Status TWriteWatch::Data(const std::string& path, const Status& status) {
  if (!lost_.ok() || !IsInside(path, root_)) return status;
  if (status.ok()) {
    failures_ = 0;
  } else if (status.cond() == Cond::kReadOnly) {
    Lose(status);
  } else if (!OwnFailure(status.cond()) && ++failures_ >= kFailuresInARow) {
    if (RootWritable()) {
      failures_ = 0;
    } else {
      Lose(status);
    }
  }
  return status;
}

Status TWriteWatch::Metadata(const std::string& path, const Status& status) {
  if (lost_.ok() && status.cond() == Cond::kReadOnly && IsInside(path, root_)) Lose(status);
  return status;
}

bool TWriteWatch::RootWritable() {
  std::string probe;
  if (!PlatformWrapper::CreateTempFile(root_ + "probe", &probe).ok()) return false;
  (void)PlatformWrapper::DeleteFile(probe);
  return true;
}

void TWriteWatch::Lose(const Status& status) {
  lost_ = status;
  if (on_lost) on_lost();
}

Status TWriteWatch::CreateDir(const std::string& path) {
  return Data(path, PlatformWrapper::CreateDir(path));
}

Status TWriteWatch::RemoveDir(const std::string& path) {
  return Data(path, PlatformWrapper::RemoveDir(path));
}

Status TWriteWatch::DeleteFile(const std::string& path) {
  return Data(path, PlatformWrapper::DeleteFile(path));
}

Status TWriteWatch::Move(const std::string& from, const std::string& to) {
  return Data(to, PlatformWrapper::Move(from, to));
}

Status TWriteWatch::Link(const std::string& from, const std::string& to) {
  return Metadata(to, PlatformWrapper::Link(from, to));
}

Status TWriteWatch::SetAttributes(const std::string& path, uint32_t attributes) {
  return Metadata(path, PlatformWrapper::SetAttributes(path, attributes));
}

Status TWriteWatch::SetTimes(const std::string& path, FileTime access, FileTime write) {
  return Metadata(path, PlatformWrapper::SetTimes(path, access, write));
}

Status TWriteWatch::CreateSymlink(const std::string& target, const std::string& path) {
  return Data(path, PlatformWrapper::CreateSymlink(target, path));
}

Status TWriteWatch::CopyToTemp(const std::string& src, const std::string& dst,
                               const CopyProgress& progress, bool with_security, std::string* temp,
                               uint32_t* lost) {
  return Data(dst, PlatformWrapper::CopyToTemp(src, dst, progress, with_security, temp, lost));
}

Status TWriteWatch::SymlinkToTemp(const std::string& target, const std::string& dst,
                                  std::string* temp) {
  return Data(dst, PlatformWrapper::SymlinkToTemp(target, dst, temp));
}

Status TWriteWatch::CommitTemp(const std::string& temp, const std::string& dst) {
  return Data(dst, PlatformWrapper::CommitTemp(temp, dst));
}

Status TWriteWatch::WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                                  uint32_t* lost) {
  return Metadata(path, PlatformWrapper::WriteSecurity(path, sd, lost));
}

Status TWriteWatch::WriteFile(const std::string& path, const std::string& data) {
  return Data(path, PlatformWrapper::WriteFile(path, data));
}

Status TWriteWatch::CreatePrivateDir(const std::string& path) {
  return Data(path, PlatformWrapper::CreatePrivateDir(path));
}

Status TWriteWatch::CreateTempFile(const std::string& dst, std::string* temp) {
  return Data(dst, PlatformWrapper::CreateTempFile(dst, temp));
}

}  // namespace qv
