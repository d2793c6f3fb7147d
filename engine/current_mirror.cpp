#include "engine/current_mirror.h"

#include "engine/mirror.h"
#include "stats/mirror_info.h"

namespace qv {

void TCurrentMirror::Set(const TMirror* mirror) {
  std::lock_guard<std::mutex> lock(mu_);
  mirror_ = mirror;
}

void TCurrentMirror::Clear() { Set(nullptr); }

bool TCurrentMirror::Snapshot(TMirrorInfo* info) const {
  std::lock_guard<std::mutex> lock(mu_);
  if (mirror_ == nullptr) return false;
  info->SetRunning(mirror_->source_path(), mirror_->dest_path(), mirror_->source_included(),
                   mirror_->source_excluded(), mirror_->dest_included(), mirror_->dest_excluded(),
                   mirror_->archive_content());
  return true;
}

}  // namespace qv
