// Whole mirrors on real trees: what the first one writes and logs, how a
// later one files every kind of change into the archive, and what filters,
// minimal ages and file mappings change in the walk.
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>

#include "archive/confirm_gate.h"
#include "config/config_keys.h"
#include "config/filter.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

// Sets the write time of a link itself, so that only its target tells.
void PinLinkTime(const std::string& path) {
  const struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

TEST_F(MirrorTest, FirstMirrorCopiesTheTreeLinksAsLinksAndSkipsSpecialFiles) {
  const std::vector<std::string> tree = {"a.txt=alpha", "dirlink->sub",    "link->a.txt",
                                         "sub/",        "sub/b.txt=bravo", "sub/deeper/"};
  MakeTree(src_, tree);
  ASSERT_EQ(::mkfifo((src_ + "fifo").c_str(), 0600), 0);

  Run();

  EXPECT_EQ(DestTree(), tree);
  const std::vector<std::string> expected = {
      "Started scan",
      "Skipped special file " + src_ + "fifo",
      "Created file " + dst_ + "link",
      "Created file " + dst_ + "a.txt",
      "Created directorie " + dst_ + "sub/",
      "Created file " + dst_ + "sub/b.txt",
      "Created directorie " + dst_ + "sub/deeper/",
      "Created reparse point " + dst_ + "dirlink/",
      "",
      "Source " + src_ + " contains 3 directories and 3 files of 15 bytes",
      "Excluded sources found: 1 file of 0 bytes",
      "Including 1 file of 0 bytes with the temporary file attribute set",
      "Copied 3 directories and 3 files of 15 bytes to " + dst_,
      "Updated 3 security descriptors",
      "Destination now contains 3 directories and 3 files of 15 bytes",
      "Logged no errors for this mirror",
      "Mirror done",
  };
  std::vector<std::string> lines = log_.From("Started scan");
  ASSERT_GE(lines.size(), expected.size()) << log_.Joined();
  lines.erase(lines.begin() + expected.size() - 2, lines.end() - 2);
  EXPECT_EQ(lines, expected);
}

TEST_F(MirrorTest, EveryChangeOfTheSourceFilesTheOldVersionIntoTheTimeSlot) {
  MakeTree(src_, {"keep.txt=same", "changed.txt=old", "deleted.txt=bye", "gone/inside.txt=in",
                  "becomes_file/x.txt=x", "becomes_dir=was a file", "link->aaa.txt"});
  PinLinkTime(src_ + "link");
  Run();
  ASSERT_EQ(errors_, 0) << log_.Joined();

  fs::permissions(src_ + "keep.txt", fs::perms::owner_write, fs::perm_options::remove);
  for (const char* path : {"deleted.txt", "gone", "becomes_file", "becomes_dir", "link"}) {
    fs::remove_all(src_ + path);
  }
  MakeTree(src_, {"changed.txt=new!", "becomes_file=now a file", "becomes_dir/y.txt=y",
                  "link->bbb.txt"});  // as long, as old
  PinLinkTime(src_ + "link");
  Run();

  EXPECT_EQ(errors_, 0) << log_.Joined();
  EXPECT_TRUE(
      log_.Has("Moved " + dst_ + "changed.txt to archive, copied file with write time mismatch"))
      << log_.Joined();
  EXPECT_TRUE(log_.Has("Succeeded to set read only attribute of " + dst_ + "keep.txt"));
  EXPECT_EQ(DestTree(), (Tree{"becomes_dir/", "becomes_dir/y.txt=y", "becomes_file=now a file",
                              "changed.txt=new!", "keep.txt=same", "link->bbb.txt"}));
  EXPECT_EQ(
      ListTree(Archived("")),
      (Tree{"becomes_dir=was a file", "becomes_file/", "becomes_file/x.txt=x", "changed.txt=old",
            "deleted.txt=bye", "gone/", "gone/inside.txt=in", "link->aaa.txt"}));
}

// An answer for the rest of a directory ends when the walk leaves it.
TEST_F(MirrorTest, DirectoryScopedAnswerEndsWithTheDirectory) {
  MakeTree(src_, {"a/x.txt=data", "a/deep/y.txt=data", "b/z.txt=data"});
  confirm_ = true;
  gate_.on_ask = [this](uint16_t* flags) {
    if (gate_.questions.back() == "Create directory " + dst_ + "b/?") {
      *flags = static_cast<uint16_t>((*flags & ~kConfirmAsk) | kConfirmDefaultYes);
    }
  };

  Run();

  EXPECT_EQ(errors_, 0) << log_.Joined();
  EXPECT_EQ(gate_.questions,
            (Tree{"Create archive directory " + dst_ + "Quorvane archive/",
                  "Create directory " + dst_ + "b/?", "Create directory " + dst_ + "a/?",
                  "Copy " + dst_ + "a/x.txt? (new file)", "Create directory " + dst_ + "a/deep/?",
                  "Copy " + dst_ + "a/deep/y.txt? (new file)"}));
}

// Gives path the write time minutes before the next run starts.
void WrittenBeforeNextRun(MirrorTest& t, const std::string& path, int minutes) {
  const FileTime at = t.platform_.Now() + (60 - minutes) * 60 * kFileTimeTicksPerSecond;
  const int64_t seconds = at / kFileTimeTicksPerSecond - kUnixEpochSeconds;
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void ExpectLogged(const MirrorLogger& log, const Tree& lines) {
  for (const std::string& line : lines) EXPECT_TRUE(log.Has(line)) << line << "\n" << log.Joined();
}

// A changed file waits for its minimal age, a new one does not; a file
// mapping writes its source a second time.
TEST_F(MirrorTest, MinimalAgeHoldsChangedFilesBackAndFileMappingsCopyTwice) {
  const std::string age = std::string(kMinimalAgesKey) + "\\1";
  const std::string map = std::string(kFileMappingsKey) + "\\1";
  ASSERT_TRUE(ini_.WriteString(age, "", src_ + "work") && ini_.WriteInteger(age, "MinAge", 10));
  ASSERT_TRUE(ini_.WriteString(map, "", dst_ + "conf.active") &&
              ini_.WriteString(map, "Source", src_ + "conf.backup"));
  MakeTree(src_,
           {"work/held.txt=changed", "work/due.txt=changed", "work/new.txt=new", "conf.backup=v1"});
  MakeTree(dst_, {"work/held.txt=old", "work/due.txt=old"});
  WrittenBeforeNextRun(*this, dst_ + "work/held.txt", 5);
  WrittenBeforeNextRun(*this, dst_ + "work/due.txt", 15);

  Run();

  EXPECT_EQ(errors_, 0) << log_.Joined();
  ExpectLogged(log_, {"Using minimal age of 10 minutes for " + src_ + "work/",
                      "Skipped update, last write time not expired, for " + dst_ + "work/held.txt",
                      "Created file " + dst_ + "conf.backup, 2 times",
                      "File mappings overwritten: 1 file of 2 bytes"});
  EXPECT_EQ(DestTree(), (Tree{"conf.active=v1", "conf.backup=v1", "work/", "work/due.txt=changed",
                              "work/held.txt=old", "work/new.txt=new"}));
}

// An included directory brings everything below it; a directory on the way
// to an included path deeper down is entered, and nothing else is mirrored.
TEST_F(MirrorTest, IncludedSourcesAndTheWayToThem) {
  StoreFilter(src_ + "docs/", kIncludedSourceDir);
  StoreFilter(src_ + "deep/er/", kIncludedSource);
  MakeTree(src_, {"docs/a.txt=i", "docs/sub/b.txt=i", "other.txt=i", "deep/skip.txt=i",
                  "deep/er/c.txt=i"});

  Run();

  ExpectLogged(log_, {"Included source dir " + src_ + "docs/",
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

  EXPECT_EQ(errors_, 0) << log_.Joined();
  ExpectLogged(log_, {"Skipped excluded source " + src_ + "private/",
                      "Skipped excluded destination " + dst_ + "keep/",
                      "Skipped remove of parent excluded destination " + dst_ + "gone/",
                      "Removed 1 empty directory from " + dst_});
  EXPECT_EQ(DestTree(),
            (Tree{"gone/", "gone/mine.txt=d", "keep/", "keep/mine.txt=d", "public.txt=p"}));
  EXPECT_TRUE(PathExists(Archived("private/old.txt")));
  EXPECT_TRUE(PathExists(Archived("gone/junk.txt")));
}

}  // namespace
}  // namespace qv::testing
