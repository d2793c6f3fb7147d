#ifndef QUORVANE_ENGINE_LISTING_CHANGES_H_
#define QUORVANE_ENGINE_LISTING_CHANGES_H_

#include <initializer_list>
#include <string>

#include "engine/change_wrapper.h"
#include "engine/listing_read_ahead.h"

namespace qv {

// Tells the read-ahead of every entry a call may have changed, so that no
// listing read before or during a change is used after it.
//
// Threads: the scan thread of the mirror.
class TListingChanges : public TChangeWrapper {
 public:
  explicit TListingChanges(Platform& target) : TChangeWrapper(target) {}

  // Null: nothing is read ahead.
  void ReportTo(TListingReadAhead* ahead) { ahead_ = ahead; }

 protected:
  void OnChange(const Status& status, TKind kind,
                std::initializer_list<std::string> paths) override;

 private:
  TListingReadAhead* ahead_ = nullptr;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_LISTING_CHANGES_H_
