#include "ui/logic/confirm_panel.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "archive/confirm_gate.h"
#include "config/mapping.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "filesys/platform.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

TEST(ConfirmPanelTest, PanelFollowsTheFlagsTheSourceAndTheMappings) {
  testing::ScopedTempDir temp;
  TQVIniFile ini(DefaultPlatform(), temp / "settings.db");
  TMappings mappings(ini);
  auto mapping = std::make_unique<TMapping>(ini, "/m/");
  mapping->SetSource("/s/");
  mappings.Add("/m/", std::move(mapping));
  constexpr uint16_t kNew = kConfirmNewItem, kDay = kConfirmRemoveDay;
  const std::string kDirs = "&Remainder of directory and sub-directories";
  const std::string kFree = "&Remainder of this request to free storage";
  struct TCase {
    const char* name;
    TConfirmQuestion question;
    bool with_mappings;
    TConfirmPanel panel;
  };
  const TCase kCases[] = {
      {"destination side",
       {"q", "/s/a", "/m/a", "", 0},
       true,
       {true, "/s/a", true, false, "/m/a", kDirs, "/m/"}},
      {"new item: source side",
       {"q", "/s/a", "/m/a", "/m/x/", kNew},
       true,
       {true, "/s/a", true, true, "/s/a", kDirs, "/m/x/"}},
      {"source looked up",
       {"q", "", "/m/d/f", "", kNew},
       true,
       {true, "/s/d/f", true, true, "/s/d/f", kDirs, "/m/d/"}},
      {"no source anywhere",
       {"q", "", "/other/f", "", kNew},
       true,
       {true, "", false, false, "/other/f", kDirs, "/other/"}},
      {"freeing storage",
       {"q", "/s/a", "/m/a", "/m/", kDay},
       true,
       {false, "", false, false, "", kFree, ""}},
      {"creating the archive",
       {"q", "", "/m/A/", "", kConfirmCreateArchive},
       true,
       {false, "", false, false, "", kDirs, "/m/"}},
      {"mappings unknown",
       {"q", "/s/a", "/m/a", "", kNew},
       false,
       {false, "", false, false, "", kDirs, "/m/"}},
  };
  for (const TCase& c : kCases) {
    const TConfirmPanel panel = PlanConfirmPanel(c.question, c.with_mappings ? &mappings : nullptr);
    EXPECT_EQ(panel.filter_panel, c.panel.filter_panel) << c.name;
    EXPECT_EQ(panel.source, c.panel.source) << c.name;
    EXPECT_EQ(panel.source_enabled, c.panel.source_enabled) << c.name;
    EXPECT_EQ(panel.filter_source_checked, c.panel.filter_source_checked) << c.name;
    EXPECT_EQ(panel.filter_text, c.panel.filter_text) << c.name;
    EXPECT_EQ(panel.dirs_caption, c.panel.dirs_caption) << c.name;
    EXPECT_EQ(panel.dirs_hint, c.panel.dirs_hint) << c.name;
  }
  // Switching sides: paths of a mirror convert, a pattern or a foreign path stays.
  EXPECT_EQ(ConvertFilterText("/m/d/f", true, mappings), "/s/d/f");
  EXPECT_EQ(ConvertFilterText("/s/d/", false, mappings), "/m/d/");
  EXPECT_EQ(ConvertFilterText("*.tmp", true, mappings), "*.tmp");
  EXPECT_EQ(ConvertFilterText("/other/f", false, mappings), "/other/f");
}

}  // namespace
}  // namespace qv
