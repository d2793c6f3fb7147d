#include "cli/confirm_prompt.h"

#include <string_view>

#include "archive/confirm_gate.h"
#include "cli/terminal_output.h"
#include "filesys/console.h"
#include "filesys/path_ops.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr char kRetry[] = "Please type y, n or t, optionally followed by d, m or s.\n";

// The choices, with the narrowest wider scope named as the dialog names it.
std::string Choices(uint16_t flags) {
  const char* directory = (flags & kConfirmRemoveDay) != 0 ? "this request to free storage"
                                                           : "the directory and sub-directories";
  return std::string("[y]es, [n]o, [t]erminate; add d, m or s to answer for the rest of ") +
         directory + ", the mirror or the scan (e.g. yd): ";
}

// The answers TConfirmPrompt takes; false, with *answer untouched, for
// anything else.
bool ParseConfirmAnswer(const std::string& typed, TConfirmAnswer* answer) {
  constexpr std::string_view kChoices = "ynt";
  constexpr std::string_view kScopeLetters = "dms";
  constexpr TConfirmScope kScopes[] = {TConfirmScope::kDirectory, TConfirmScope::kMirror,
                                       TConfirmScope::kScan};
  const std::string text = LowerAscii(Trim(typed));
  if (text.empty() || text.size() > 2) return false;
  const size_t choice = kChoices.find(text[0]);
  const size_t scope = text.size() == 2 ? kScopeLetters.find(text[1]) : 0;
  if (choice == std::string_view::npos || scope == std::string_view::npos) return false;
  answer->yes = choice == 0;
  answer->terminate = choice == 2;
  answer->scope = text.size() == 2 ? kScopes[scope] : TConfirmScope::kThisUpdate;
  return true;
}

}  // namespace

uint16_t FlagsAfterAnswer(const TConfirmAnswer& answer, uint16_t flags) {
  flags = ApplyConfirmScope(answer.yes, answer.scope, flags);
  if (answer.terminate) flags |= kConfirmTerminate;
  return flags;
}

std::optional<TConfirmAnswer> TConfirmPrompt::Ask(const std::string& question, uint16_t flags,
                                                  const std::function<bool()>& stop) {
  // The question names paths, which may hold terminal escapes.
  output_.Prompt(EscapeControl(question) + "\n" + Choices(flags));
  while (true) {
    const std::optional<std::string> typed = console_.ReadLine(stop);
    // A line typed on a terminal was echoed with its line break.
    output_.EndPrompt(typed && console_.InputIsTerminal());
    TConfirmAnswer answer;
    if (!typed) {
      if (stop()) return std::nullopt;
      answer.terminate = true;
      return answer;
    }
    if (ParseConfirmAnswer(*typed, &answer)) return answer;
    output_.Prompt(kRetry + Choices(flags));
  }
}

}  // namespace qv
