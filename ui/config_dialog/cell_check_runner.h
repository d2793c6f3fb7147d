#ifndef QUORVANE_UI_CONFIG_DIALOG_CELL_CHECK_RUNNER_H_
#define QUORVANE_UI_CONFIG_DIALOG_CELL_CHECK_RUNNER_H_

#include <functional>

#include "ui/logic/cell_verdict.h"

namespace qv {

// Runs the validation of a cell and hands its verdict to done. check touches
// nothing of the window; done is called on the window's thread.
class TCellCheckRunner {
 public:
  virtual ~TCellCheckRunner() = default;
  virtual void Run(std::function<TCellVerdict()> check,
                   std::function<void(const TCellVerdict&)> done) = 0;
};

// Runs the check at once, on the calling thread.
class TInlineCellCheckRunner : public TCellCheckRunner {
 public:
  void Run(std::function<TCellVerdict()> check,
           std::function<void(const TCellVerdict&)> done) override {
    done(check());
  }
};

}  // namespace qv

#endif  // QUORVANE_UI_CONFIG_DIALOG_CELL_CHECK_RUNNER_H_
