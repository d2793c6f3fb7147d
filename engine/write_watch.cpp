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
    : TChangeWrapper(target), root_(std::move(root)) {}

void TWriteWatch::OnChange(const Status& status, TKind kind,
                           std::initializer_list<std::string> paths) {
  const std::string& written = *(paths.end() - 1);
  if (kind == TKind::kData) Data(written, status);
  if (kind == TKind::kMetadata) Metadata(written, status);
}

void TWriteWatch::Data(const std::string& path, const Status& status) {
  if (!lost_.ok() || !IsInside(path, root_)) return;
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
}

void TWriteWatch::Metadata(const std::string& path, const Status& status) {
  if (lost_.ok() && status.cond() == Cond::kReadOnly && IsInside(path, root_)) Lose(status);
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

}  // namespace qv
