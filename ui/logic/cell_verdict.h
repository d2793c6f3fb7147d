#ifndef QUORVANE_UI_LOGIC_CELL_VERDICT_H_
#define QUORVANE_UI_LOGIC_CELL_VERDICT_H_

#include <optional>
#include <string>
#include <utility>

namespace qv {

// What validating one cell of a configuration grid answers.
enum class TVerdictKind {
  kOk,       // accepted; text is what the cell shows from now on
  kError,    // rejected; message goes to the error dialog
  kConfirm,  // message asked with OK and Cancel; Cancel rejects
  kWarning,  // message asked with Yes and No, No the default; No rejects
};

struct TCellVerdict {
  TVerdictKind kind = TVerdictKind::kOk;
  std::string text;     // kOk: the cell's text, rewritten where the cell rewrites it
  std::string message;  // the error or the question
  // A question whose refusal also changes the cell (copy security: "false").
  std::optional<std::string> refused_text;
  // A question asked again at every validation, even after a Yes.
  bool ask_each_time = false;

  bool ok() const { return kind == TVerdictKind::kOk; }
  bool question() const { return kind == TVerdictKind::kConfirm || kind == TVerdictKind::kWarning; }

  static TCellVerdict Ok(std::string text) { return Make(TVerdictKind::kOk, std::move(text)); }
  static TCellVerdict Error(std::string message) {
    return Make(TVerdictKind::kError, "", std::move(message));
  }
  static TCellVerdict Confirm(std::string message) {
    return Make(TVerdictKind::kConfirm, "", std::move(message));
  }
  static TCellVerdict Warning(std::string message) {
    return Make(TVerdictKind::kWarning, "", std::move(message));
  }

 private:
  static TCellVerdict Make(TVerdictKind kind, std::string text, std::string message = "") {
    TCellVerdict verdict;
    verdict.kind = kind;
    verdict.text = std::move(text);
    verdict.message = std::move(message);
    return verdict;
  }
};

// The status text while a cell is validated.
std::string ValidatingText(const std::string& title, const std::string& text);
// The error of a cell that may not stay empty, at OK.
std::string CannotBeEmptyText(const std::string& title);
// text between double quotes, as the messages name paths.
std::string InQuotes(const std::string& text);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_CELL_VERDICT_H_
