#include "ui/logic/config_dlg_rules.h"

#include <algorithm>

#include "config/filter.h"
#include "ui/logic/help_pages.h"

namespace qv {

namespace {

constexpr int kStoredRegistryTab = 4;
constexpr int kFilterTypeColumn = 1;
constexpr int kFilterTextColumn = 2;

std::vector<const TListRow*> WithDestination(const std::vector<TListRow>& rows) {
  std::vector<const TListRow*> mirrors;
  const auto column = static_cast<size_t>(KeyColumn(TListKind::kMappings));
  for (const TListRow& row : rows) {
    const auto* destination = std::get_if<std::string>(&row.values.at(column));
    if (destination != nullptr && !destination->empty()) mirrors.push_back(&row);
  }
  return mirrors;
}

}  // namespace

TCfgPage PageOfStoredTab(int stored) {
  const int page = stored > kStoredRegistryTab ? stored - 1 : std::max(stored, 0);
  return static_cast<TCfgPage>(std::min(page, kCfgPageCount - 1));
}

int StoredTabOf(TCfgPage page) {
  const int index = static_cast<int>(page);
  return index >= kStoredRegistryTab ? index + 1 : index;
}

const char* HelpPageOf(TCfgPage page) {
  switch (page) {
    case TCfgPage::kGeneral:
      return kHelpCfgGeneral;
    case TCfgPage::kMappings:
      return kHelpCfgMappings;
    case TCfgPage::kFilters:
      return kHelpCfgFilters;
    case TCfgPage::kMinimalAges:
      return kHelpCfgMinAges;
    case TCfgPage::kFileMappings:
      break;
  }
  return kHelpCfgFileMappings;
}

std::optional<TListKind> ListOfPage(TCfgPage page) {
  switch (page) {
    case TCfgPage::kGeneral:
      return std::nullopt;
    case TCfgPage::kMappings:
      return TListKind::kMappings;
    case TCfgPage::kFilters:
      return TListKind::kFilters;
    case TCfgPage::kMinimalAges:
      return TListKind::kMinimalAges;
    case TCfgPage::kFileMappings:
      break;
  }
  return TListKind::kFileMappings;
}

std::string DisableAutoFilterQuestion(bool confirm_on) {
  std::string text = "Be sure your filters protect boot files and handle overlapping mirrors.";
  if (!confirm_on) {
    text +=
        " The first time you might want to turn on the confirm updates of destination checkbox "
        "to test your filters.";
  }
  return text + " Disable the automatic filters anyway?";
}

std::optional<std::string> ExcludedBeforeIncludedQuestion(const std::vector<TListRow>& rows) {
  for (const TListRow& row : rows) {
    const auto* type = std::get_if<int64_t>(&row.values.at(kFilterTypeColumn));
    if (type == nullptr) continue;
    if (*type == kIncludedSource || *type == kIncludedSourceDir) return std::nullopt;
    if (*type != kExcludedSource) continue;
    const auto* filter = std::get_if<std::string>(&row.values.at(kFilterTextColumn));
    return "The excluded source " + (filter != nullptr ? *filter : std::string()) +
           " will have no effect if it is not preceeded by an included source. Use it as an "
           "excluded source anyway?";
  }
  return std::nullopt;
}

bool MappingsChanged(const std::vector<TListRow>& stored, const std::vector<TListRow>& edited) {
  const std::span<const TListColumn> columns = ListColumns(TListKind::kMappings);
  const auto same = [columns](const TListRow* before, const TListRow* after) {
    for (size_t i = 0; i < columns.size(); ++i) {
      const TListValue& was = before->values.at(i);
      // Not stored, it reads as the file system's default, which the grid
      // fills in when it validates the row.
      if (columns[i].kind == TColumnKind::kResolution && std::get<int64_t>(was) < 1) continue;
      if (was != after->values.at(i)) return false;
    }
    return true;
  };
  const std::vector<const TListRow*> before = WithDestination(stored);
  const std::vector<const TListRow*> after = WithDestination(edited);
  return !std::equal(before.begin(), before.end(), after.begin(), after.end(), same);
}

std::string DeleteMappingQuestion(const std::string& destination) {
  const std::string mirror = destination.empty() ? "this mirror" : destination;
  return "Delete the mirror " + mirror +
         " from the list? The destination and its archive stay on disk, with every file in "
         "them.";
}

}  // namespace qv
