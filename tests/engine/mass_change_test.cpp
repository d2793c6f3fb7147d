// A mass change (an emptied source, a rewrite of every file) is held
// instead of obeyed: the run stops at the thresholds, later runs replace
// and remove nothing and the archive keeps every day, until the change is
// accepted.
#include "config/mass_change.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>

#include "config/mapping.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

// "f007.txt=<content>" for files first .. last - 1.
Tree Files(int first, int last, const std::string& content) {
  Tree files;
  for (int i = first; i < last; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%03d.txt=", i);
    files.push_back(name + content);
  }
  return files;
}

class MassChangeTest : public MirrorTest {
 protected:
  std::string Hold() { return ReadMassChangeHold(ini_, mapping_->key()); }
  // The files of this run's time slot.
  Tree ArchivedFiles() { return fs::exists(Archived("")) ? ListTree(Archived("")) : Tree{}; }
};

// 200 files in four directories, three of which vanish, with an archive
// limit of 1 MB that the archived versions exceed. A directory counts with
// its files before it moves: the one that would take the run over the
// thresholds stays whole.
TEST_F(MassChangeTest, EmptiedSourceIsHeldWithEveryArchiveDayUntilAccepted) {
  const std::string old_day = dst_ + kArchiveDirName + "/2020/01/01/";
  MakeTree(old_day, {"10 00 00/ancient.bin=" + std::string(300 * 1024, 'a')});
  mapping_->mutable_settings().max_archive_size = 1024 * 1024;
  for (const char* dir : {"a/", "b/", "c/", "d/"}) {
    for (const std::string& file : Files(0, 50, std::string(10 * 1024, 'x'))) {
      MakeTree(src_, {dir + file});
    }
  }
  Run();
  ASSERT_EQ(errors_, 0);
  for (const char* dir : {"a", "b", "c"}) fs::remove_all(src_ + dir);

  Run();
  EXPECT_EQ(errors_, 1);
  ExpectLogged({"Error: Stopped the mirror to " + dst_ +
                    ": this scan would replace or remove 150 of 200 files the destination held "
                    "after its last complete scan, more than 50%. Nothing there is replaced or "
                    "removed and no day of its archive is removed until the change is accepted. "
                    "If this is intended, run: quorvane-cli mirror accept " +
                    dst_,
                "Kept every day of the archive " + dst_ + kArchiveDirName +
                    "/ over its limits: the mirror holds a mass change"});
  EXPECT_EQ(ArchivedFiles().size(), 102u);  // a/ and b/ with their files
  EXPECT_EQ(ListTree(dst_ + "c/").size(), 50u);
  EXPECT_EQ(Hold(), "150 of 200 files");
  EXPECT_TRUE(PathExists(old_day));
  EXPECT_EQ(ReadCompleteScanFiles(ini_, mapping_->key()), 200);  // a held run counts nothing

  WriteFile(src_ + "new.txt", "new");
  Run();
  EXPECT_EQ(errors_, 1);
  ExpectLogged({"Error: The destination " + dst_ +
                " holds a mass change (150 of 200 files replaced or removed): nothing there "
                "is replaced or removed and no day of its archive is removed until it is "
                "accepted. If this is intended, run: quorvane-cli mirror accept " +
                dst_});
  EXPECT_TRUE(PathExists(dst_ + "new.txt") && PathExists(dst_ + "c/f049.txt"));
  EXPECT_EQ(ArchivedFiles(), Tree{});
  EXPECT_TRUE(PathExists(old_day));

  ASSERT_TRUE(AcceptMassChange(ini_, mapping_->key()));
  Run();
  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(DestTree(), ListTree(src_));
  EXPECT_EQ(ArchivedFiles().size(), 51u);
  EXPECT_FALSE(PathExists(old_day));
  EXPECT_EQ(Hold(), "");
}

// On a base of 20 files, with the thresholds, some files vanish or are
// rewritten; whether the run is held, and how many files it archives. With
// Confirm on the user decides at the point where the run would be held, and
// a held mirror asks at its next run. No old version is ever lost.
struct ThresholdCase {
  const char* name;
  int32_t percent = 50;
  int32_t minimum = 0;
  int removed = 0;              // the first files
  int rewritten = 0;            // the next ones
  const char* before = "";      // "none": no complete scan counted them; else a hold left
  const char* asked = nullptr;  // with Confirm on: the question put
  bool yes = false;             // its answer
  bool held = false;
  size_t archived = 0;
};

void PrintTo(const ThresholdCase& c, std::ostream* out) { *out << c.name; }

class ThresholdTest : public MassChangeTest, public ::testing::WithParamInterface<ThresholdCase> {};

TEST_P(ThresholdTest, HoldsOnlyMoreThanTheShareAndAtLeastTheMinimum) {
  const ThresholdCase& c = GetParam();
  mapping_->mutable_settings().mass_change_percent = c.percent;
  mapping_->mutable_settings().mass_change_minimum = c.minimum;
  MakeTree(src_, Files(0, 20, "old"));
  Run();
  ASSERT_EQ(errors_, 0);
  const std::string before = c.before;
  if (!before.empty()) {
    ASSERT_TRUE(before == "none" ? ini_.Unset(mapping_->key(), "CompleteScanFiles")
                                 : WriteMassChangeHold(ini_, mapping_->key(), before));
  }
  for (const std::string& file : Files(0, c.removed, "")) fs::remove(src_ + file.substr(0, 8));
  MakeTree(src_, Files(c.removed, c.removed + c.rewritten, "new"));
  confirm_ = c.asked != nullptr;
  if (!c.yes && c.asked) gate_.declined = c.asked;

  Run();

  EXPECT_EQ(errors_, c.held ? 1 : 0);
  EXPECT_EQ(Hold() != "", c.held);
  const Tree archived = ArchivedFiles();
  EXPECT_EQ(archived.size(), c.archived);
  const Tree dest = DestTree();
  for (const std::string& file : Files(0, 20, "old")) {
    EXPECT_TRUE(std::ranges::count(dest, file) + std::ranges::count(archived, file) == 1) << file;
  }
  EXPECT_EQ(log_.HasPart("Accepted the mass change of " + dst_), c.yes);
}

const ThresholdCase kThresholds[] = {
    {.name = "HalfIsNotMore", .removed = 10, .archived = 10},
    {.name = "OneMoreThanHalf", .removed = 11, .held = true, .archived = 10},
    {.name = "RewriteOfEveryFile", .rewritten = 20, .held = true, .archived = 10},
    {.name = "BelowTheMinimum", .minimum = 12, .removed = 11, .archived = 11},
    {.name = "AtTheMinimum",
     .minimum = 11,
     .removed = 5,
     .rewritten = 6,
     .held = true,
     .archived = 10},
    {.name = "GuardOff", .percent = 0, .removed = 10, .rewritten = 10, .archived = 20},
    {.name = "NoCompleteScanCounted", .removed = 20, .before = "none", .archived = 20},
    {.name = "NoAtTheThreshold",
     .removed = 15,
     .asked = "Replace or remove 11 of the 20 files",
     .held = true,
     .archived = 10},
    {.name = "YesAtTheThreshold",
     .removed = 15,
     .asked = "Replace or remove 11 of the 20 files",
     .yes = true,
     .archived = 15},
    {.name = "NoToTheHeldChange",
     .removed = 15,
     .before = "3 of 20 files",
     .asked = "Accept the mass change held for ",
     .held = true},
    {.name = "YesToTheHeldChange",
     .removed = 15,
     .before = "3 of 20 files",
     .asked = "Accept the mass change held for ",
     .yes = true,
     .archived = 15},
};

INSTANTIATE_TEST_SUITE_P(Mirror, ThresholdTest, ::testing::ValuesIn(kThresholds),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace qv::testing
