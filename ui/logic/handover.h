#ifndef QUORVANE_UI_LOGIC_HANDOVER_H_
#define QUORVANE_UI_LOGIC_HANDOVER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// The two messages between a starting copy of the program and the one that
// already runs on the same settings file: the new copy announces itself, the
// running copy shows itself and answers.
inline constexpr std::string_view kHandoverAnnounce = "1481 0\n";
inline constexpr std::string_view kHandoverAnswer = "1481 1\n";
// No peer may make a reader take more than this.
inline constexpr std::size_t kHandoverMaxBytes = 16;

enum class THandoverMessage { kIncomplete, kAnnounce, kAnswer, kInvalid };

// What the bytes received so far are: a whole message, the start of one, or
// anything else (which the reader drops at once).
THandoverMessage ParseHandover(std::string_view received);

// The name of the lock and the socket of one settings file: "quorvane-" and
// a hash of its canonical path, short enough for a socket address.
std::string HandoverKey(std::string_view canonical_settings_path);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_HANDOVER_H_
