#ifndef QUORVANE_UI_LOGIC_HELP_PAGES_H_
#define QUORVANE_UI_LOGIC_HELP_PAGES_H_

#include <string>
#include <vector>

namespace qv {

class Platform;

// The help pages, named relative to the documentation folder.
inline constexpr const char* kHelpIndex = "index.html";
inline constexpr const char* kHelpOnline = "Quorvane online.html";
inline constexpr const char* kHelpCfgGeneral = "CfgGeneral.html";
inline constexpr const char* kHelpCfgMappings = "CfgMappings.html";
inline constexpr const char* kHelpCfgFilters = "CfgFilters.html";
inline constexpr const char* kHelpCfgMinAges = "CfgMinAges.html";
inline constexpr const char* kHelpCfgRegistry = "CfgRegistry.html";
inline constexpr const char* kHelpCfgFileMappings = "CfgFileMappings.html";
inline constexpr const char* kHelpCfgGenConfirm = "CfgGenConfirm.html";

// The folders searched for help pages, in order, each ending with "/":
// <exe dir>/documentation/ (the build tree), <exe dir>/../share/quorvane/
// documentation/ (installed), <exe dir>/.
std::vector<std::string> HelpFolders(const std::string& executable_path);

// The first of HelpFolders that holds page as anything but a directory (a
// file, or a link to one): its full path, or "" when none does.
std::string FindHelpPage(Platform& platform, const std::string& executable_path,
                         const std::string& page);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_HELP_PAGES_H_
