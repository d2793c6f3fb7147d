#ifndef QUORVANE_UI_LOGIC_COPY_SECURITY_CELL_H_
#define QUORVANE_UI_LOGIC_COPY_SECURITY_CELL_H_

#include <string>

#include "ui/logic/asked_questions.h"
#include "ui/logic/cell_verdict.h"

namespace qv {

class Platform;

// Copy security switched on: when the file systems of source and destination
// both answer and one keeps no ACLs, asks whether to copy them anyway (the
// destination's named first); Cancel turns the cell to "false". A file
// system that cannot be asked gives no answer, and then nothing is asked.
TCellVerdict CheckCopySecurity(Platform& platform, const std::string& source,
                               const std::string& destination, const TAskedQuestions& asked);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_COPY_SECURITY_CELL_H_
