#include "ui/logic/confirm_panel.h"

#include "archive/confirm_gate.h"
#include "config/mappings.h"

namespace qv {

namespace {

constexpr int kLookup = kFindDisabled | kFindPreferEnabled;

// The directory a question's destination lies in, with its "/".
std::string DirectoryOf(const std::string& path) {
  std::string trimmed = path;
  if (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? std::string() : trimmed.substr(0, slash + 1);
}

}  // namespace

TConfirmPanel PlanConfirmPanel(const TConfirmQuestion& question, const TMappings* mappings) {
  TConfirmPanel panel;
  const uint16_t flags = question.flags;
  if ((flags & kConfirmRemoveDay) != 0) {
    panel.dirs_caption = "&Remainder of this request to free storage";
  } else {
    panel.dirs_caption = "&Remainder of directory and sub-directories";
    panel.dirs_hint = question.extra.empty() ? DirectoryOf(question.destination) : question.extra;
  }
  panel.filter_panel =
      mappings != nullptr && (flags & (kConfirmRemoveDay | kConfirmCreateArchive)) == 0;
  if (!panel.filter_panel) return panel;
  panel.source = question.source;
  if (panel.source.empty())
    panel.source = mappings->DestinationToSource(question.destination, "", kLookup);
  panel.source_enabled = !panel.source.empty();
  panel.filter_source_checked = panel.source_enabled && (flags & kConfirmNewItem) != 0;
  panel.filter_text = panel.filter_source_checked ? panel.source : question.destination;
  return panel;
}

std::string ConvertFilterText(const std::string& text, bool to_source, const TMappings& mappings) {
  // A rootless pattern the user typed stays as it is.
  const int options = kLookup | kFindPatterns;
  const std::string converted = to_source ? mappings.DestinationToSource(text, "", options)
                                          : mappings.SourceToDestination(text, "", options);
  return converted.empty() ? text : converted;
}

uint16_t AnswerFlags(uint16_t question_flags, bool yes, TConfirmScope scope, bool terminate) {
  uint16_t flags = ApplyConfirmScope(yes, scope, question_flags);
  if (terminate) flags |= kConfirmTerminate;
  return flags & static_cast<uint16_t>(~kConfirmWaiting);
}

}  // namespace qv
