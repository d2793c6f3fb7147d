// A mirror's roots are what they claim to be: the directories and file
// systems of the last scan, not nested in each other by any path; and accept
// takes what waits for it. The end-to-end tests show the rest on real
// volumes.
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "engine/live_switches.h"
#include "engine/mirror.h"
#include "engine/pending_accepts.h"
#include "engine/scan_context.h"
#include "engine/scan_progress.h"
#include "engine/volume_guard.h"
#include "log/log_dir.h"
#include "tests/engine/engine_test_util.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

class RootsTest : public MirrorTest {
 protected:
  std::vector<std::string> Accept() {
    TAcceptContext context{platform_, ini_, *mapping_};
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(AcceptPending(context, &lines, &error)) << error;
    return lines;
  }
  std::string Stored(const char* name) { return ini_.ReadString(mapping_->key(), name); }
  std::string Cancelled() const { return "Canceling the mirror from " + src_ + " to " + dst_; }
};

// What the source's stored identity may hold after an earlier scan, and
// whether the next scan runs on it.
struct StoredCase {
  const char* name;
  std::function<std::string(const VolumeInfo&)> volume;
  const char* root;  // "" none, "now" the inode the root has
  bool runs;
};

const StoredCase kStored[] = {
    {"OlderDeviceFormOfTheSameDevice",
     [](const VolumeInfo& v) { return "device " + std::to_string(v.device) + " " + v.fs_type; }, "",
     true},
    {"OlderDeviceFormOfAnotherDevice",
     [](const VolumeInfo& v) { return "device " + std::to_string(v.device + 1) + " " + v.fs_type; },
     "", false},
    {"OlderUuidFormOfAnotherDisk", [](const VolumeInfo&) { return "uuid 0f6e-other"; }, "", false},
    {"CurrentFormWithoutTheRoot", [](const VolumeInfo& v) { return VolumeIdentity(v); }, "", true},
    {"CurrentFormOfAnotherDirectory", [](const VolumeInfo& v) { return VolumeIdentity(v); },
     "inode 1", false},
    {"CurrentFormOfAnotherFileSystem", [](const VolumeInfo& v) { return VolumeIdentity(v) + "0"; },
     "now", false},
};

class StoredIdentityTest : public RootsTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredIdentityTest, UpgradesWhatStillMatchesAndCancelsTheRest) {
  WriteFile(src_ + "first.txt", "1");
  Run();
  ASSERT_EQ(errors_, 0);
  const std::string now_root = Stored("SourceRoot");
  const std::string now_volume = Stored("SourceVolume");
  const StoredCase& c = GetParam();
  VolumeInfo volume_info;
  ASSERT_TRUE(platform_.GetVolume(src_, &volume_info).ok());
  const std::string volume = c.volume(volume_info);
  const std::string root = std::string(c.root) == "now" ? now_root : c.root;
  ASSERT_TRUE(ini_.WriteString(mapping_->key(), "SourceVolume", volume));
  ASSERT_TRUE(root.empty() ? ini_.Unset(mapping_->key(), "SourceRoot")
                           : ini_.WriteString(mapping_->key(), "SourceRoot", root));
  WriteFile(src_ + "second.txt", "2");

  Run();

  if (c.runs) {
    EXPECT_EQ(errors_, 0);
    EXPECT_EQ(DestTree(), (Tree{"first.txt=1", "second.txt=2"}));
    EXPECT_EQ(Stored("SourceVolume"), now_volume);
    EXPECT_EQ(Stored("SourceRoot"), now_root);
    return;
  }
  EXPECT_EQ(errors_, 1);
  const std::string says =
      std::string(c.root) == "inode 1"
          ? "another directory than at the last scan (was inode 1, now " + now_root
          : "on another file system than at the last scan (was " + volume + ", now " + now_volume;
  EXPECT_TRUE(log_.Has("Error: The source " + src_ + " is " + says +
                       "). If this is intended, run: quorvane-cli mirror accept " + dst_));
  EXPECT_EQ(log_.lines.back(), Cancelled());
  EXPECT_EQ(DestTree(), Tree{"first.txt=1"});
  EXPECT_EQ(Stored("SourceVolume"), volume);
}

INSTANTIATE_TEST_SUITE_P(Roots, StoredIdentityTest, ::testing::ValuesIn(kStored),
                         [](const auto& param) { return std::string(param.param.name); });

// A source that is, or lies in, its own destination by place: walking the
// destination would archive the source. Refused before anything is stored.
TEST_F(RootsTest, ASourceInsideItsDestinationThroughALinkIsRefused) {
  fs::remove(dir_ / "src");
  MakeTree(dir_.path(), {"dst/sub/a.txt=a", "src->dst/sub"});
  Run();
  EXPECT_EQ(errors_, 1);
  EXPECT_TRUE(log_.Has("Error: Rejected mapping of " + src_ + " to " + dst_ +
                       " because its source lies inside its destination"));
  EXPECT_EQ(DestTree(), (Tree{"sub/", "sub/a.txt=a"}));
  EXPECT_EQ(Stored("SourceVolume"), "");
}

// A destination reached through a link into its own source is left out of
// the source, as one named there would be: never copied into itself.
TEST_F(RootsTest, ADestinationInsideItsSourceThroughALinkIsExcluded) {
  fs::remove(dir_ / "dst");
  MakeTree(dir_.path(), {"src/a.txt=a", "src/backup/", "dst->src/backup"});
  Run();
  EXPECT_EQ(errors_, 0);
  EXPECT_TRUE(log_.Has("Added destination inside source " + src_ + "backup/"));
  EXPECT_EQ(ListTree(src_ + "backup/"), Tree{"a.txt=a"});
}

// Log files deleted by hand were removed from the archive; its growth never
// goes below nothing.
TEST_F(RootsTest, LogFilesDeletedByHandAreNoNegativeGrowth) {
  const std::string logs = dst_ + kArchiveDirName + "/Logs/";
  Run();
  WriteFile(logs + "2020-01-01T10 00 00.txt", "old log");
  Run();
  fs::remove(logs + "2020-01-01T10 00 00.txt");
  Run();
  ExpectLogged({"The archive grew with no files", "Removed 1 file of 7 bytes from the archive",
                "The archive now contains 2 directories"});
}

// A mirror weighs 1 more than the entries its roots held at the end of the
// last scan, included and excluded, and twice those of the archive's log
// folder: the progress counts against it before anything loads.
TEST_F(RootsTest, WeighsWhatTheLastScanListedWithTheArchiveLogs) {
  TDestDisks disks(platform_);
  TScanProgress progress;
  TCurrentMirror current;
  const TLiveSwitches switches(config_);
  TScanContext context{platform_, ini_, switches, mappings_, disks, gate_, progress, current};
  const std::string source = mapping_->key() + kSourceSubkey;
  // Counters stored, under which key, and the mirror's weight after.
  const std::tuple<TCounts, std::string, int32_t> kSteps[] = {
      {{}, "", 1},
      {{1000, 100}, source, 1101},
      {{6, 2}, source + kExcludedSubkey, 1109},
      {{20, 3}, mapping_->dest_key(), 1132},
      {{4, 1}, mapping_->archive_key() + "\\" + kLogDirName, 1142},
  };
  for (const auto& [counts, key, weight] : kSteps) {
    if (!key.empty()) {
      ASSERT_TRUE(ini_.WriteCounters(key, counts));
    }
    EXPECT_EQ(TMirror(context, *mapping_).Weight(), weight) << key;
  }
}

// Bind mounts show one root inside the other where no path says so: the
// walk never copies the destination into itself, nor archives the source.
TEST_F(RootsTest, BindMountsNeitherCopyTheDestinationIntoItselfNorArchiveTheSource) {
  WriteFile(src_ + "a.txt", "a");
  {
    ScopedBindMount view(dst_, src_ + "view");
    SKIP_UNLESS_MOUNTED(view);
    Run();
    EXPECT_EQ(errors_, 0);
    EXPECT_TRUE(
        log_.Has("Skipped the destination of this mirror found in its source " + src_ + "view/"));
    EXPECT_EQ(DestTree(), Tree{"a.txt=a"});
  }
  fs::remove(src_ + "view");
  ScopedBindMount source(src_, dst_ + "source");
  ASSERT_TRUE(source.mounted);
  Run();
  EXPECT_EQ(errors_, 1);
  EXPECT_TRUE(log_.Has("Error: The destination directory " + dst_ + "source/ is the source " +
                       src_ + " of this mirror; it is not archived"));
  EXPECT_EQ(ReadFile(src_ + "a.txt"), "a");
  EXPECT_FALSE(PathExists(Archived("source")));
}

// Accept says what it accepts, and accepts only what waits for it.
TEST_F(RootsTest, AcceptTakesOnlyWhatIsPending) {
  Run();
  const std::string volume = Stored("DestVolume");
  const std::string root = Stored("SourceRoot");
  EXPECT_EQ(Accept(), Tree{});
  ASSERT_TRUE(ini_.WriteString(mapping_->key(), "DestVolume", "uuid of another disk"));
  ASSERT_TRUE(ini_.WriteString(mapping_->key(), "SourceRoot", "inode 1"));
  EXPECT_EQ(Accept(), Tree{"Accepted the source " + src_ + " and the destination " + dst_ +
                           " as they are now"});
  EXPECT_EQ(Stored("DestVolume"), volume);
  EXPECT_EQ(Stored("SourceRoot"), root);
}

}  // namespace
}  // namespace qv::testing
