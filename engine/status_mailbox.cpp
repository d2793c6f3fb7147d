#include "engine/status_mailbox.h"

#include <utility>

namespace qv {

void TStatusMailbox::Put(const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  text_ = text;
  changed_ = true;
}

bool TStatusMailbox::Take(std::string* text) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!changed_) return false;
  changed_ = false;
  *text = std::move(text_);
  text_.clear();
  return true;
}

}  // namespace qv
