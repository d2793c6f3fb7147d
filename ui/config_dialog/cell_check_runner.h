#ifndef QUORVANE_UI_CONFIG_DIALOG_CELL_CHECK_RUNNER_H_
#define QUORVANE_UI_CONFIG_DIALOG_CELL_CHECK_RUNNER_H_

#include <functional>
#include <string>

#include "ui/logic/cell_verdict.h"

namespace qv {

// Runs the validation of a cell and hands its verdict to done. check touches
// nothing of the window; done is called on the window's thread. path is what
// the check asks the file system about, named when it does not answer.
class TCellCheckRunner {
 public:
  virtual ~TCellCheckRunner() = default;
  virtual void Run(std::string path, std::function<TCellVerdict()> check,
                   std::function<void(const TCellVerdict&)> done) = 0;
};

}  // namespace qv

#endif  // QUORVANE_UI_CONFIG_DIALOG_CELL_CHECK_RUNNER_H_
