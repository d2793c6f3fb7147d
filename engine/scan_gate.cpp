#include "engine/scan_gate.h"

#include "engine/mirror_thread.h"

namespace qv {

uint16_t ApplyConfirmScope(bool yes, TConfirmScope scope, uint16_t flags) {
  if (scope == TConfirmScope::kThisUpdate) return flags;
  uint16_t cleared = kConfirmAsk | kConfirmDefaultYes;
  if (scope == TConfirmScope::kMirror) cleared |= kConfirmDirScope;
  if (scope == TConfirmScope::kScan) cleared |= kConfirmDirScope | kConfirmMirrorScope;
  flags &= static_cast<uint16_t>(~cleared);
  if (yes) flags |= kConfirmDefaultYes;
  return flags;
}

bool TScanGate::Confirm(const std::string& question, const std::string& source,
                        const std::string& destination, uint16_t* flags, const std::string& extra) {
  if (AnswersWithoutAsking(*flags)) return true;
  return thread_.ConfirmUpdate(question, source, destination, flags, extra);
}

}  // namespace qv
