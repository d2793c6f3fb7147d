#include "archive/confirm_gate.h"

namespace qv {

TConfirmGate::~TConfirmGate() = default;

bool PassGate(TConfirmGate& gate, const std::string& question, const std::string& source,
              const std::string& destination, uint16_t* flags, const std::string& extra) {
  if (AnswersWithoutAsking(*flags)) return true;
  return gate.Confirm(question, source, destination, flags, extra);
}

bool PassGateAs(uint16_t kind, TConfirmGate& gate, const std::string& question,
                const std::string& destination, uint16_t* flags) {
  *flags |= kind;
  const bool yes = PassGate(gate, question, std::string(), destination, flags);
  *flags &= static_cast<uint16_t>(~kind);
  return yes;
}

void AdoptWiderAnswer(uint16_t* flags, uint16_t copy) {
  if ((*flags & kConfirmDirScope) != 0 && (copy & kConfirmDirScope) == 0) *flags = copy;
}

}  // namespace qv
