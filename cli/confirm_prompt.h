#ifndef QUORVANE_CLI_CONFIRM_PROMPT_H_
#define QUORVANE_CLI_CONFIRM_PROMPT_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/scan_gate.h"

namespace qv {

class TConsole;
class TTerminalOutput;

// What the user answered to one question.
struct TConfirmAnswer {
  bool yes = false;
  bool terminate = false;  // stop the scan (the update is not done)
  TConfirmScope scope = TConfirmScope::kThisUpdate;
};

// The flags of a question after answer: the scope's rule, and the
// termination bit when the user stopped the scan.
uint16_t FlagsAfterAnswer(const TConfirmAnswer& answer, uint16_t flags);

// Puts a question to the user on the terminal and reads the answer: "y", "n"
// or "t", optionally followed by "d", "m" or "s" for the rest of the
// directory, mirror or scan (case and surrounding blanks ignored), asking
// again after anything else. The end of the input answers "t".
//
// Threads: the scan thread (the question is synchronous).
class TConfirmPrompt {
 public:
  TConfirmPrompt(TConsole& console, TTerminalOutput& output) : console_(console), output_(output) {}

  // nullopt when stop answered true before an answer came.
  std::optional<TConfirmAnswer> Ask(const std::string& question, uint16_t flags,
                                    const std::function<bool()>& stop);

 private:
  TConsole& console_;
  TTerminalOutput& output_;
};

}  // namespace qv

#endif  // QUORVANE_CLI_CONFIRM_PROMPT_H_
