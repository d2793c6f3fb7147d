#include "ui/logic/path_cells.h"

#include "filesys/path_ops.h"
#include "filesys/platform.h"

namespace qv {

namespace {

std::string UseAnyway(const TPathCellKind& kind) {
  return " Use it as " + std::string(kind.word) + " anyway?";
}

// The questions (or, for absolute_only cells, errors) about the text itself.
TCellVerdict CheckForm(const TPathCellKind& kind, const std::string& text,
                       const std::string& expanded) {
  if (expanded.empty()) {
    const std::string empty = text + " expands to an empty string.";
    return kind.absolute_only ? TCellVerdict::Error(empty)
                              : TCellVerdict::Confirm(empty + UseAnyway(kind));
  }
  if (kind.want == TPathWant::kFilter || (HasRoot(expanded) && !IsPattern(expanded))) {
    return TCellVerdict::Ok(text);
  }
  const std::string form =
      text +
      " should be a fully qualified file name and may not be relative or contain wild cards.";
  return kind.absolute_only ? TCellVerdict::Error(form)
                            : TCellVerdict::Confirm(form + UseAnyway(kind));
}

// The questions about what the path names now; *text gets the trailing "/"
// of a directory.
TCellVerdict CheckEntry(Platform& platform, const TPathCellKind& kind, const std::string& path,
                        std::string* text) {
  if (kind.want == TPathWant::kFilter && (!HasRoot(path) || IsPattern(path))) {
    return TCellVerdict::Ok(*text);
  }
  FileInfo info;
  if (!platform.Stat(path, &info).ok()) {
    if (kind.may_be_missing) return TCellVerdict::Ok(*text);
    return TCellVerdict::Confirm(path + " is not a currently accessible " + kind.word + "." +
                                 UseAnyway(kind));
  }
  if (info.IsDirectory()) {
    *text = IncludeTrailingSeparator(*text);
    if (kind.want == TPathWant::kFile) {
      return TCellVerdict::Confirm(path + " is a directory. It should be a file." +
                                   UseAnyway(kind));
    }
  } else if (kind.want == TPathWant::kDirectory) {
    return TCellVerdict::Confirm(path + " does not seem to be a directory." + UseAnyway(kind));
  }
  return TCellVerdict::Ok(*text);
}

}  // namespace

TCellVerdict ValidatePathCell(Platform& platform, const TPathCellKind& kind,
                              const TPathCellInput& input, const TAskedQuestions& asked) {
  const std::string trimmed = Trim(input.text);
  if (trimmed.empty()) {
    return input.at_ok ? TCellVerdict::Error(CannotBeEmptyText(input.title)) : TCellVerdict::Ok("");
  }
  if (input.accept_stored && trimmed == input.stored_text) return TCellVerdict::Ok(trimmed);
  const std::string expanded = Trim(NormalisePath(platform, ExpandTilde(platform, trimmed), true));
  std::string text = kind.keeps_typed ? trimmed : expanded;
  // A directory is stored with its "/" as the headless tool stores it.
  if (kind.want == TPathWant::kDirectory && !expanded.empty()) {
    text = IncludeTrailingSeparator(text);
  }
  TCellVerdict verdict = CheckForm(kind, trimmed, expanded);
  // A path no scan can use is refused even in a row that is switched off.
  if (verdict.kind == TVerdictKind::kError) return verdict;
  if (!input.content_checks) return TCellVerdict::Ok(text);
  if (!asked.Passes(verdict)) return verdict;
  verdict = CheckEntry(platform, kind, expanded, &text);
  if (!asked.Passes(verdict)) return verdict;
  return TCellVerdict::Ok(text);
}

std::string ExpandedDirectory(Platform& platform, const std::string& text) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return "";
  return NormaliseDirectory(platform, ExpandTilde(platform, trimmed), true);
}

}  // namespace qv
