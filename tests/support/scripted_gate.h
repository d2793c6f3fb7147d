#ifndef QUORVANE_TESTS_SUPPORT_SCRIPTED_GATE_H_
#define QUORVANE_TESTS_SUPPORT_SCRIPTED_GATE_H_

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/confirm_gate.h"
#include "log/logger.h"

namespace qv::testing {

// Records the questions; says No to those that begin with declined, and logs
// it as the scan's gate does; Yes to all others.
class ScriptedGate : public TConfirmGate {
 public:
  explicit ScriptedGate(TLogger& logger) : logger_(logger) {}
  bool Confirm(const std::string& question, const std::string&, const std::string&,
               uint16_t* flags, const std::string&) override {
    questions.push_back(question);
    if (on_ask) on_ask(flags);
    const bool yes = declined.empty() || !question.starts_with(declined);
    if (!yes) logger_.LogSysError(ECANCELED, question);
    return yes;
  }

  std::string declined;
  std::vector<std::string> questions;
  // Runs on the asker's flags, as the scope of a dialog's answer would.
  std::function<void(uint16_t*)> on_ask;

 private:
  TLogger& logger_;
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_SUPPORT_SCRIPTED_GATE_H_
