#include "engine/listing_changes.h"

namespace qv {

void TListingChanges::OnChange(const Status& /*status*/, TKind /*kind*/,
                               std::initializer_list<std::string> paths) {
  if (ahead_ == nullptr) return;
  for (const std::string& path : paths) ahead_->Changed(path);
}

}  // namespace qv
