#include "ui/logic/handover.h"

#include <cstdint>
#include <cstdio>

namespace qv {

THandoverMessage ParseHandover(std::string_view received) {
  for (const auto& [message, kind] : {std::pair{kHandoverAnnounce, THandoverMessage::kAnnounce},
                                      std::pair{kHandoverAnswer, THandoverMessage::kAnswer}}) {
    if (received == message) return kind;
    if (received.size() < message.size() && message.substr(0, received.size()) == received)
      return THandoverMessage::kIncomplete;
  }
  return THandoverMessage::kInvalid;
}

std::string HandoverKey(std::string_view canonical_settings_path) {
  // FNV-1a: stable across runs and builds, unlike std::hash.
  uint64_t hash = 14695981039346656037ull;
  for (const char c : canonical_settings_path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return std::string("quorvane-") + hex;
}

}  // namespace qv
