#include "ui/logic/cell_verdict.h"

namespace qv {

std::string ValidatingText(const std::string& title, const std::string& text) {
  return "Validating " + title + " " + text + " Please wait...";
}

std::string CannotBeEmptyText(const std::string& title) {
  return title + " cannot be empty. Specify a value or delete the row to get rid of this error.";
}

std::string InQuotes(const std::string& text) { return "\"" + text + "\""; }

}  // namespace qv
