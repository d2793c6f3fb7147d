#ifndef QUORVANE_UI_LOGIC_CONFIG_DLG_RULES_H_
#define QUORVANE_UI_LOGIC_CONFIG_DLG_RULES_H_

#include <optional>
#include <string>
#include <vector>

#include "config/list_rows.h"

namespace qv {

// The configuration dialog's pages as shown. The stored page index counts
// the registry page, which this platform leaves out, as 4.
enum class TCfgPage { kGeneral, kMappings, kFilters, kMinimalAges, kFileMappings };
inline constexpr int kCfgPageCount = 5;

// A stored TabIndex as the page it opens: the registry page's index, and
// indexes past the last page, open the page after it; below 0 the first.
TCfgPage PageOfStoredTab(int stored);
// The index stored for page, compatible with stored values that count the
// registry page.
int StoredTabOf(TCfgPage page);
// The help page of page, a name such as "CfgGeneral.html".
const char* HelpPageOf(TCfgPage page);
// The list a page edits; none for the general page.
std::optional<TListKind> ListOfPage(TCfgPage page);

// The question on checking "&Disable automatic filters".
std::string DisableAutoFilterQuestion(bool confirm_on);
inline constexpr char kRestoreAutoFilterQuestion[] =
    "Cannot change automatic filtering while a scan is running. Is it ok to restore it to its "
    "original value?";
inline constexpr char kStopForMappingsWarning[] =
    "Changing the mappings will stop the currently running scan. Is it OK to stop the current "
    "scan?";

// The first excluded source filter that no included source precedes, as
// the question whether to keep it; none when the first such row is an
// inclusion, or no row is either. rows: the filters grid's rows (enabled
// ones and others alike).
std::optional<std::string> ExcludedBeforeIncludedQuestion(const std::vector<TListRow>& rows);

// The mirrors as edited differ from the stored ones: in number, or in any
// value of a row at the same position. Rows without a destination make no
// mirror and are passed over.
bool MappingsChanged(const std::vector<TListRow>& stored, const std::vector<TListRow>& edited);

// The question before deleting a mapping row.
std::string DeleteMappingQuestion(const std::string& destination);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_CONFIG_DLG_RULES_H_
