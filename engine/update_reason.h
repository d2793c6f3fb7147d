#ifndef QUORVANE_ENGINE_UPDATE_REASON_H_
#define QUORVANE_ENGINE_UPDATE_REASON_H_

#include <cstdint>
#include <string>

namespace qv {

// Why a destination file is updated: the reason set of a comparison. Empty
// means unchanged.
enum : uint8_t {
  kReasonNewFile = 0x01,
  kReasonArchiveBit = 0x02,
  kReasonAttributes = 0x04,  // read only, hidden, system or don't index
  kReasonWriteTime = 0x08,
  kReasonSize = 0x10,
  kReasonDirectory = 0x20,  // the destination is a directory
};

// The attributes a comparison looks at: read only, hidden, system and don't
// index.
inline constexpr uint32_t kComparedAttributes = 0x2007;

// The text of the lowest reason of the set, as questions and log lines show
// it; "encryption attribute mismatch" for any other bit.
std::string ReasonText(uint8_t reasons);

}  // namespace qv

#endif  // QUORVANE_ENGINE_UPDATE_REASON_H_
