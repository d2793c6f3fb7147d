#ifndef QUORVANE_UI_LOGIC_ASKED_QUESTIONS_H_
#define QUORVANE_UI_LOGIC_ASKED_QUESTIONS_H_

#include <set>
#include <string>

#include "ui/logic/cell_verdict.h"

namespace qv {

// The questions the user answered Yes (or OK) while a dialog is open, so
// that the validators do not ask them again for the same text. A question
// that is asked each time is remembered only until the validation that asked
// it ends: validating again after the answer must get past it.
class TAskedQuestions {
 public:
  // question was answered Yes.
  void Accept(const TCellVerdict& question);
  bool Accepted(const std::string& message) const;
  // verdict lets validation go on: ok, or a question answered Yes before.
  bool Passes(const TCellVerdict& verdict) const {
    return verdict.ok() || (verdict.question() && Accepted(verdict.message));
  }
  // The validation of a cell or of all rows has ended.
  void EndValidation() { this_validation_.clear(); }

 private:
  std::set<std::string> while_open_;
  std::set<std::string> this_validation_;
};

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_ASKED_QUESTIONS_H_
