// Whole mirrors on real trees: what the first one writes and logs, how a
// later one files every kind of change into the archive, and what filters,
// minimal ages and file mappings change in the walk.
#include <filesystem>
#include <string>
#include <tuple>

#include <sys/stat.h>

#include "config/config_keys.h"
#include "config/filter.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

// The write time of path in 100-ns units after 1970.
void SetWriteTicks(const std::string& path, int64_t ticks) {
  SetWriteTime(path, ticks / kFileTimeTicksPerSecond, ticks % kFileTimeTicksPerSecond * 100);
}

// The first mirror copies the tree with links as links and without special
// files; the next one files every kind of change into its time slot.
TEST_F(MirrorTest, FirstMirrorCopiesTheTreeAndTheNextArchivesEveryChange) {
  const Tree tree = {"changed.txt=old", "deleted.txt=bye", "dirlink->sub",  "gone/",
                     "gone/in.txt=in",  "keep.txt=same",   "link->aaa.txt", "sub/",
                     "sub/b.txt=bravo", "to_dir=a file",   "to_file/",      "to_file/x.txt=x"};
  MakeTree(src_, tree);
  ASSERT_EQ(::mkfifo((src_ + "fifo").c_str(), 0600), 0);
  SetWriteTime(src_ + "link", 1700000000);  // only the target tells
  Run();
  ASSERT_EQ(errors_, 0);
  EXPECT_EQ(DestTree(), tree);
  ExpectLogged({"Skipped special file " + src_ + "fifo",
                "Created reparse point " + dst_ + "dirlink/",
                "Created directorie " + dst_ + "gone/",
                "Including 1 file of 0 bytes with the temporary file attribute set"});

  fs::permissions(src_ + "keep.txt", fs::perms::owner_write, fs::perm_options::remove);
  for (const char* path : {"deleted.txt", "gone", "to_file", "to_dir", "link"}) {
    fs::remove_all(src_ + path);
  }
  MakeTree(src_, {"changed.txt=new!", "to_file=now a file", "to_dir/y.txt=y",
                  "link->bbb.txt"});  // as long, as old
  SetWriteTime(src_ + "link", 1700000000);
  Run();

  EXPECT_EQ(errors_, 0);
  ExpectLogged({"Moved " + dst_ + "changed.txt to archive, copied file with write time mismatch",
                "Succeeded to set read only attribute of " + dst_ + "keep.txt"});
  EXPECT_EQ(DestTree(),
            (Tree{"changed.txt=new!", "dirlink->sub", "keep.txt=same", "link->bbb.txt", "sub/",
                  "sub/b.txt=bravo", "to_dir/", "to_dir/y.txt=y", "to_file=now a file"}));
  EXPECT_EQ(ListTree(Archived("")),
            (Tree{"changed.txt=old", "deleted.txt=bye", "gone/", "gone/in.txt=in", "link->aaa.txt",
                  "to_dir=a file", "to_file/", "to_file/x.txt=x"}));
}

// A changed file waits until its copy is older than the minimal age (at
// most the age is too young, 100 ns more is old enough; a copy written in
// the future never holds it back), a new one does not wait; a file mapping
// writes its source a second time.
TEST_F(MirrorTest, MinimalAgeHoldsChangedFilesBackAndFileMappingsCopyTwice) {
  const std::string age = std::string(kMinimalAgesKey) + "\\1";
  ASSERT_TRUE(ini_.WriteString(age, "", src_ + "work") && ini_.WriteInteger(age, "MinAge", 10));
  StoreFileMapping(1, "SRCconf.backup", "DSTconf.active");
  MakeTree(src_, {"work/held.txt=changed", "work/due.txt=changed", "work/future.txt=changed",
                  "work/new.txt=new", "conf.backup=v1"});
  MakeTree(dst_, {"work/held.txt=old", "work/due.txt=old", "work/future.txt=old"});
  const int64_t next_run = platform_.Now() / kFileTimeTicksPerSecond - kUnixEpochSeconds + 3600;
  SetWriteTime(dst_ + "work/held.txt", next_run - 10 * 60);
  SetWriteTicks(dst_ + "work/due.txt", (next_run - 10 * 60) * kFileTimeTicksPerSecond - 1);
  SetWriteTime(dst_ + "work/future.txt", next_run + 60);

  Run();

  EXPECT_EQ(errors_, 0);
  ExpectLogged({"Using minimal age of 10 minutes for " + src_ + "work/",
                "Skipped update, last write time not expired, for " + dst_ + "work/held.txt",
                "Created file " + dst_ + "conf.backup, 2 times",
                "File mappings overwritten: 1 file of 2 bytes"});
  EXPECT_EQ(DestTree(), (Tree{"conf.active=v1", "conf.backup=v1", "work/", "work/due.txt=changed",
                              "work/future.txt=changed", "work/held.txt=old", "work/new.txt=new"}));
}

// Write times compare equal within the destination's resolution and differ
// from exactly the resolution on: 100 ns where times are exact, the
// resolution stored for a coarse destination otherwise.
TEST_F(MirrorTest, WriteTimesDifferFromTheResolutionOn) {
  constexpr int64_t kStep = 2 * kFileTimeTicksPerSecond;
  constexpr int64_t kWhen = 1700000000 * kFileTimeTicksPerSecond + 5000000;
  // Stored resolution (0: the file system's), destination's time in 100 ns
  // after the source's, copied again.
  const std::tuple<int64_t, int64_t, bool> kCases[] = {{0, 0, false},
                                                       {0, 1, true},
                                                       {kStep, kStep - 1, false},
                                                       {kStep, 1 - kStep, false},
                                                       {kStep, kStep, true},
                                                       {kStep, -kStep, true}};
  for (const auto& [resolution, later, copied] : kCases) {
    SCOPED_TRACE(std::to_string(resolution) + " " + std::to_string(later));
    mapping_->mutable_settings().write_time_resolution = resolution;
    WriteFile(src_ + "f.txt", "new");
    WriteFile(dst_ + "f.txt", "old");
    SetWriteTicks(src_ + "f.txt", kWhen);
    SetWriteTicks(dst_ + "f.txt", kWhen + later);
    Run();
    EXPECT_EQ(errors_, 0);
    EXPECT_EQ(ReadFile(dst_ + "f.txt"), copied ? "new" : "old");
  }
}

// An included directory brings everything below it; a directory on the way
// to an included path deeper down is entered, and nothing else is mirrored.
TEST_F(MirrorTest, IncludedSourcesAndTheWayToThem) {
  StoreFilter(src_ + "docs/", kIncludedSourceDir);
  StoreFilter(src_ + "deep/er/", kIncludedSource);
  MakeTree(src_, {"docs/a.txt=i", "docs/sub/b.txt=i", "other.txt=i", "deep/skip.txt=i",
                  "deep/er/c.txt=i"});

  Run();

  ExpectLogged({"Included source dir " + src_ + "docs/",
                "Included parent source " + src_ + "deep/ matching " + src_ + "deep/er/",
                "Included source " + src_ + "deep/er/"});
  EXPECT_EQ(DestTree(), (Tree{"deep/", "deep/er/", "deep/er/c.txt=i", "docs/", "docs/a.txt=i",
                              "docs/sub/", "docs/sub/b.txt=i"}));
}

// An excluded source leaves the mirror, so its old copy goes to the archive;
// an excluded destination stays where it is, also inside a directory that
// goes. An empty directory that a filter names is removed.
TEST_F(MirrorTest, ExcludedSourcesAreArchivedAndExcludedDestinationsStay) {
  StoreFilter(dst_ + "empty/", kRemoveEmptyDestinationDir);
  StoreFilter(src_ + "private/", kExcludedSource);
  StoreFilter(dst_ + "keep/", kExcludedDestination);
  StoreFilter(dst_ + "gone/mine.txt", kExcludedDestination);
  MakeTree(src_, {"empty/", "private/secret.txt=s", "public.txt=p"});
  MakeTree(dst_, {"empty/", "private/old.txt=d", "keep/mine.txt=d", "gone/mine.txt=d",
                  "gone/junk.txt=d"});

  Run();

  EXPECT_EQ(errors_, 0);
  ExpectLogged({"Skipped excluded source " + src_ + "private/",
                "Skipped excluded destination " + dst_ + "keep/",
                "Skipped remove of parent excluded destination " + dst_ + "gone/",
                "Removed 1 empty directory from " + dst_});
  EXPECT_EQ(DestTree(),
            (Tree{"gone/", "gone/mine.txt=d", "keep/", "keep/mine.txt=d", "public.txt=p"}));
  EXPECT_TRUE(PathExists(Archived("private/old.txt")));
  EXPECT_TRUE(PathExists(Archived("gone/junk.txt")));
}

// An answer for the rest of a directory ends when the walk leaves it.
TEST_F(MirrorTest, DirectoryScopedAnswerEndsWithTheDirectory) {
  MakeTree(src_, {"a/x.txt=data", "b/z.txt=data"});
  confirm_ = true;
  gate_.on_ask = [this](uint16_t* flags) {
    if (gate_.questions.back() == "Create directory " + dst_ + "b/?") {
      *flags = static_cast<uint16_t>((*flags & ~kConfirmAsk) | kConfirmDefaultYes);
    }
  };
  Run();
  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(gate_.questions,
            (Tree{"Create archive directory " + dst_ + "Quorvane archive/",
                  "Create directory " + dst_ + "b/?", "Create directory " + dst_ + "a/?",
                  "Copy " + dst_ + "a/x.txt? (new file)"}));
  EXPECT_EQ(DestTree(), (Tree{"a/", "a/x.txt=data", "b/", "b/z.txt=data"}));
}

}  // namespace
}  // namespace qv::testing
