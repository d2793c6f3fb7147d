// Where the help pages are looked for, on a real tree.
#include "ui/logic/help_pages.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesys/platform.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

TEST(HelpPagesTest, FoldersAreSearchedBesideTheProgramThenInstalledThenTheProgramsOwn) {
  EXPECT_EQ(HelpFolders("/usr/bin/quorvane"),
            (std::vector<std::string>{"/usr/bin/documentation/",
                                      "/usr/share/quorvane/documentation/", "/usr/bin/"}));
  EXPECT_EQ(HelpFolders("/quorvane"),
            (std::vector<std::string>{"/documentation/", "/share/quorvane/documentation/", "/"}));
}

TEST(HelpPagesTest, TheFirstFolderHoldingThePageAnswers) {
  const struct {
    const char* name;
    std::vector<std::string> tree;
    const char* page;
    const char* found;  // relative to the tree, "" for none
  } kCases[] = {
      {"documentation beside the program",
       {"bin/documentation/index.html=a", "share/quorvane/documentation/index.html=b",
        "bin/index.html=c"},
       kHelpIndex,
       "bin/documentation/index.html"},
      {"installed",
       {"share/quorvane/documentation/index.html=b", "bin/index.html=c"},
       kHelpIndex,
       "share/quorvane/documentation/index.html"},
      {"beside the program", {"bin/index.html=c"}, kHelpIndex, "bin/index.html"},
      {"a documentation folder without the page",
       {"bin/documentation/index.html=a", "bin/Quorvane online.html=c"},
       kHelpOnline,
       "bin/Quorvane online.html"},
      {"a folder named like the page",
       {"bin/documentation/CfgGeneral.html/", "bin/CfgGeneral.html=c"},
       kHelpCfgGeneral,
       "bin/CfgGeneral.html"},
      {"a link to a page",
       {"pages/CfgFilters.html=a",
        "bin/documentation/CfgFilters.html->../../pages/CfgFilters.html"},
       kHelpCfgFilters,
       "bin/documentation/CfgFilters.html"},
      {"no page anywhere", {"bin/documentation/index.html=a"}, kHelpCfgRegistry, ""},
  };
  for (const auto& c : kCases) {
    ScopedTempDir temp;
    MakeTree(temp.path(), c.tree);
    std::string found = FindHelpPage(DefaultPlatform(), temp / "bin/quorvane", c.page);
    EXPECT_EQ(found, *c.found == '\0' ? "" : temp / c.found) << c.name;
  }
}

}  // namespace
}  // namespace qv::testing
