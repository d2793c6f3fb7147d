#ifndef QUORVANE_ENGINE_PENDING_ACCEPTS_H_
#define QUORVANE_ENGINE_PENDING_ACCEPTS_H_

#include <span>
#include <string>
#include <vector>

namespace qv {

class Platform;
class TMapping;
class TQVIniFile;

// What a scan refuses to go on with until the user accepts it, one kind at a
// time (a changed root, a vanished archive, a mount point no longer there, a
// held mass change).
struct TAcceptContext {
  Platform& platform;
  TQVIniFile& ini;
  const TMapping& mapping;
};

struct TPendingKind {
  // True when the kind waits for an accept; *line then says in one line what
  // accepting it does.
  bool (*pending)(TAcceptContext& context, std::string* line);
  // Accepts it; false with *error when that cannot be recorded.
  bool (*accept)(TAcceptContext& context, std::string* error);
};

// Every kind, in the order in which they are reported.
std::span<const TPendingKind> PendingKinds();

// Accepts every kind that is pending for the mapping, in one transaction of
// the store; *lines receives one line per kind accepted (none when nothing
// was pending). False with *error when a kind could not be accepted; then
// none is.
bool AcceptPending(TAcceptContext& context, std::vector<std::string>* lines, std::string* error);

}  // namespace qv

#endif  // QUORVANE_ENGINE_PENDING_ACCEPTS_H_
