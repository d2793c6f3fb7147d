#include "ui/logic/asked_questions.h"

namespace qv {

void TAskedQuestions::Accept(const TCellVerdict& question) {
  (question.ask_each_time ? this_validation_ : while_open_).insert(question.message);
}

bool TAskedQuestions::Accepted(const std::string& message) const {
  return while_open_.count(message) != 0 || this_validation_.count(message) != 0;
}

}  // namespace qv
