#include "ui/logic/mapping_cells.h"

#include <memory>
#include <utility>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/filter.h"
#include "config/mapping.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "config/time_resolution.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/scoped_mount.h"
#include "tests/support/temp_dir.h"
#include "tests/ui_logic/cell_test_platform.h"
#include "ui/logic/copy_security_cell.h"
#include "ui/logic/filter_cells.h"

namespace qv::testing {
namespace {

class MappingCellsTest : public ::testing::Test {
 protected:
  MappingCellsTest() {
    MakeTree(dir_.path(), {"src/a=1", "full/a=1", "empty/", "archived/a=1",
                           std::string("archived/") + kArchiveDirName + "/"});
  }

  ScopedTempDir dir_;
  CellTestPlatform platform_;
};

TEST_F(MappingCellsTest, SourcesAndDestinationsAgainstTheirRowAndTheRowsAbove) {
  const std::string src = dir_ / "src/";
  const std::string full = dir_ / "full/";
  const std::string files_warning =
      "The destination \"" + full +
      "\" is an existing directory containing files. Be aware that if you use this destination "
      "all files not present on the source will be moved to the Quorvane archive. Do you want to "
      "use this destination anyway?";
  const std::vector<TMappingRowPaths> above = {{"/elsewhere/", "/x/bk/"}, {src, "/y/"}};
  enum Outcome { kOk, kError, kWarning };
  const struct {
    TMappingRowPaths row;
    std::string stored_destination;
    bool against_rows;
    Outcome outcome;
    std::string message;
  } cases[] = {
      // Two rows with the same source: the second is refused at OK.
      {{dir_ / "src", "/z/"},
       "",
       true,
       kError,
       "Quorvane cannot keep track of mirroring one source \"" + src +
           "\" to multiple destinations. Instead mirror one source to the first destination, the "
           "first destination to the second, and so on."},
      {{src, "/z/"}, "", false, kOk, ""},
      {{"/a/", "/x/bk/old/"},
       "",
       true,
       kError,
       "Quorvane cannot mirror to \"/x/bk/old/\" because this destination overlaps with the "
       "destination \"/x/bk/\"."},
      // One settings key for both: the headless tool refuses it too.
      {{"/a/", "/x/BK/"},
       "",
       true,
       kError,
       "Quorvane cannot mirror to \"/x/BK/\" because its settings would share one key with those "
       "of the destination \"/x/bk/\": settings keys do not tell upper and lower case apart."},
      {{"/a/", "/x/BK/"}, "", false, kOk, ""},
      {{src + "inner/", src},
       "",
       false,
       kError,
       "Quorvane cannot mirror the source \"" + src + "inner/\" to \"" + src +
           "\" because the source lies inside its destination."},
      {{src, src + "mirror/"},
       "",
       false,
       kWarning,
       "Source \"" + src + "\" and destination \"" + src +
           "mirror/\" overlap. Are you sure you want to create this mirror?"},
      {{"/a/", full}, "", false, kWarning, files_warning},
      {{"/a/", full}, full, false, kOk, ""},
      {{"/a/", dir_ / "empty/"}, "", false, kOk, ""},
      {{"/a/", dir_ / "archived/"}, "", false, kOk, ""},
  };
  for (const auto& c : cases) {
    const TMappingCellInput input{c.row, c.stored_destination, above, c.against_rows};
    TCellVerdict verdict = CheckMappingSource(platform_, input);
    if (verdict.ok()) verdict = CheckMappingDestination(platform_, input, TAskedQuestions());
    const Outcome outcome = verdict.ok()                             ? kOk
                            : verdict.kind == TVerdictKind::kWarning ? kWarning
                                                                     : kError;
    EXPECT_EQ(outcome, c.outcome) << c.row.source << " " << c.row.destination;
    EXPECT_EQ(verdict.message, c.message);
  }
}

TEST_F(MappingCellsTest, AnEmptyResolutionTakesTheDefaultOfTheDestinationsFileSystem) {
  platform_.volumes = {{"/media/usb/", {"vfat"}}, {"/", {"ext4"}}};
  EXPECT_EQ(DefaultResolutionAt(platform_, "/media/usb/bk/", true), 20000000);
  platform_.volumes["/media/sd/"] = {"exfat"};  // 1 s creation times, 2 s write times
  EXPECT_EQ(DefaultResolutionAt(platform_, "/media/sd/bk/", false), 10000000);
  EXPECT_EQ(DefaultResolutionAt(platform_, "/media/sd/bk/", true), 20000000);
  EXPECT_EQ(DefaultResolutionAt(platform_, "/srv/bk/", true), DefaultTimeResolution("ext4").write);
  platform_.volumes.clear();
  EXPECT_EQ(DefaultResolutionAt(platform_, "/media/usb/bk/", true), std::nullopt);
  EXPECT_EQ(DefaultResolutionAt(platform_, "", true), std::nullopt);
}

TEST_F(MappingCellsTest, AnExclusionFollowsItsPathToTheSideItLiesOn) {
  TQVIniFile ini(platform_, dir_ / "settings.db", 50);
  TMappings mappings(ini);
  auto mapping = std::make_unique<TMapping>(ini, "/m/dst/");
  mapping->SetSource("/m/src/");
  mappings.Add("/m/dst/", std::move(mapping));
  const struct {
    std::string path;
    int type;
    int new_type;
    std::string path_for_type;
  } cases[] = {
      {"/m/dst/tmp/", kExcludedSource, kExcludedDestination, "/m/src/tmp/"},
      {"/m/src/tmp/", kExcludedDestination, kExcludedSource, "/m/dst/tmp/"},
      {"/m/src/tmp/", kRemoveEmptyDestinationDir, kRemoveEmptyDestinationDir, "/m/dst/tmp/"},
      {"/m/dst/tmp/", kIncludedSource, kIncludedSource, "/m/src/tmp/"},
      {"/m/src/tmp/", kExcludedSource, kExcludedSource, "/m/src/tmp/"},
      {"/m/dst/tmp/", kExcludedDestination, kExcludedDestination, "/m/dst/tmp/"},
      {"/other/", kExcludedSource, kExcludedSource, "/other/"},
      {"*.tmp", kExcludedDestination, kExcludedDestination, "*.tmp"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FilterTypeForPath(mappings, c.path, c.type), c.new_type) << c.path << c.type;
    EXPECT_EQ(FilterPathForType(mappings, c.path, c.type), c.path_for_type) << c.path << c.type;
  }
}

TEST_F(MappingCellsTest, CopySecurityAsksWhenADriveThatAnswersKeepsNoAcls) {
  const std::string question =
      " does not report the ability to store system access control lists. Do you want to try to "
      "copy them anyway?";
  const struct {
    bool source_keeps;
    bool dest_keeps;
    bool dest_answers;
    std::string message;
  } cases[] = {
      {true, true, true, ""},
      {true, false, true, "Drive /dst/" + question},
      {false, true, true, "Drive /src/" + question},
      {false, false, true, "Drive /dst/" + question},
      {false, false, false, ""},
  };
  for (const auto& c : cases) {
    platform_.volumes = {{"/src/", {"ext4", c.source_keeps}}};
    if (c.dest_answers) platform_.volumes["/dst/"] = {"ext4", c.dest_keeps};
    const TCellVerdict verdict = CheckCopySecurity(platform_, "/src/a", "/dst/b/", {});
    EXPECT_EQ(verdict.message, c.message);
    if (verdict.ok()) continue;
    EXPECT_EQ(verdict.kind, TVerdictKind::kConfirm);
    EXPECT_EQ(verdict.refused_text, "false");
    TAskedQuestions asked;
    asked.Accept(verdict);
    EXPECT_EQ(CheckCopySecurity(platform_, "/src/a", "/dst/b/", asked).text, "true");
  }
}

// The real probe: tmpfs keeps ACLs, ramfs does not; a drive whose probe
// fails gives no answer.
TEST_F(MappingCellsTest, CopySecurityOnRealFileSystems) {
  ScopedMount tmpfs(dir_ / "tmpfs/", "tmpfs", "size=1m");
  ScopedMount ramfs(dir_ / "ramfs/", "ramfs", "");
  SKIP_UNLESS_MOUNTED(tmpfs);
  SKIP_UNLESS_MOUNTED(ramfs);
  FaultPlatform platform(DefaultPlatform());
  EXPECT_TRUE(CheckCopySecurity(platform, tmpfs.dir, tmpfs.dir + "bk/", {}).ok());
  EXPECT_EQ(CheckCopySecurity(platform, tmpfs.dir, ramfs.dir + "bk/", {}).message,
            "Drive " + ramfs.dir +
                " does not report the ability to store system access control lists. Do you "
                "want to try to copy them anyway?");
  platform.AddFault({Op::kKeepsAcls, "ramfs"});
  EXPECT_TRUE(CheckCopySecurity(platform, tmpfs.dir, ramfs.dir + "bk/", {}).ok());
}

}  // namespace
}  // namespace qv::testing
