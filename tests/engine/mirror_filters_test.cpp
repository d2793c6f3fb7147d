// What the stored settings of a mirror change in its walk: filters, minimal
// ages and file mappings.
#include <fcntl.h>
#include <sys/stat.h>

#include "config/filter.h"
#include "filesys/path_ops.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

// Gives path the write time minutes before the next run starts.
void WrittenBeforeNextRun(MirrorTest& t, const std::string& path, int minutes) {
  const FileTime at = t.platform_.Now() + (60 - minutes) * 60 * kFileTimeTicksPerSecond;
  const int64_t seconds = at / kFileTimeTicksPerSecond - kUnixEpochSeconds;
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(MirrorTest, MinimalAgeHoldsChangedFilesBackButNotNewOnes) {
  StoreMinimalAge(src_ + "work", 10);
  MakeDirs(src_ + "work");
  MakeDirs(dst_ + "work");
  for (const char* name : {"held.txt", "due.txt"}) {
    WriteFile(src_ + "work/" + name, "changed");
    WriteFile(dst_ + "work/" + name, "old");
  }
  WriteFile(src_ + "work/new.txt", "new");
  WrittenBeforeNextRun(*this, dst_ + "work/held.txt", 5);
  WrittenBeforeNextRun(*this, dst_ + "work/due.txt", 15);

  Run();

  EXPECT_EQ(errors_, 0) << log_.Joined();
  EXPECT_TRUE(log_.Has("Using minimal age of 10 minutes for " + src_ + "work/"));
  EXPECT_TRUE(
      log_.Has("Skipped update, last write time not expired, for " + dst_ + "work/held.txt"));
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"work/", "work/due.txt=changed",
                                                  "work/held.txt=old", "work/new.txt=new"}));
}

// An included directory brings everything below it; a directory on the way
// to an included path deeper down is entered, and nothing else is mirrored.
TEST_F(MirrorTest, IncludedSourcesAndTheWayToThem) {
  StoreFilter(src_ + "docs/", kIncludedSourceDir);
  StoreFilter(src_ + "deep/er/", kIncludedSource);
  for (const char* path :
       {"docs/a.txt", "docs/sub/b.txt", "other.txt", "deep/skip.txt", "deep/er/c.txt"}) {
    MakeDirs(ParentDir(src_ + path));
    WriteFile(src_ + path, "i");
  }

  Run();

  for (const std::string& line :
       {"Included source dir " + src_ + "docs/",
        "Included parent source " + src_ + "deep/ matching " + src_ + "deep/er/",
        "Included source " + src_ + "deep/er/"}) {
    EXPECT_TRUE(log_.Has(line)) << line << "\n" << log_.Joined();
  }
  EXPECT_EQ(DestTree(),
            (std::vector<std::string>{"deep/", "deep/er/", "deep/er/c.txt=i", "docs/",
                                      "docs/a.txt=i", "docs/sub/", "docs/sub/b.txt=i"}));
}

// An excluded source leaves the mirror, so its old copy goes to the archive;
// an excluded destination stays where it is, also inside a directory that
// goes. An empty directory that a filter names is removed.
TEST_F(MirrorTest, ExcludedSourcesAreArchivedAndExcludedDestinationsStay) {
  StoreFilter(dst_ + "empty/", kRemoveEmptyDestinationDir);
  MakeDirs(src_ + "empty");
  MakeDirs(dst_ + "empty");
  StoreFilter(src_ + "private/", kExcludedSource);
  StoreFilter(dst_ + "keep/", kExcludedDestination);
  StoreFilter(dst_ + "gone/mine.txt", kExcludedDestination);
  MakeDirs(src_ + "private");
  WriteFile(src_ + "private/secret.txt", "s");
  WriteFile(src_ + "public.txt", "p");
  for (const char* path : {"private/old.txt", "keep/mine.txt", "gone/mine.txt", "gone/junk.txt"}) {
    MakeDirs(ParentDir(dst_ + path));
    WriteFile(dst_ + path, "d");
  }

  Run();

  EXPECT_EQ(errors_, 0) << log_.Joined();
  for (const std::string& line : {"Skipped excluded source " + src_ + "private/",
                                  "Skipped excluded destination " + dst_ + "keep/",
                                  "Skipped remove of parent excluded destination " + dst_ + "gone/",
                                  "Removed 1 empty directory from " + dst_}) {
    EXPECT_TRUE(log_.Has(line)) << line << "\n" << log_.Joined();
  }
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"gone/", "gone/mine.txt=d", "keep/",
                                                  "keep/mine.txt=d", "public.txt=p"}));
  EXPECT_TRUE(PathExists(Archived("private/old.txt")));
  EXPECT_TRUE(PathExists(Archived("gone/junk.txt")));
}

TEST_F(MirrorTest, FileMappingWritesTheSourceASecondTime) {
  StoreFileMapping(dst_ + "conf.active", src_ + "conf.backup");
  WriteFile(src_ + "conf.backup", "v1");

  Run();

  EXPECT_EQ(errors_, 0) << log_.Joined();
  EXPECT_TRUE(log_.Has("Created file " + dst_ + "conf.backup, 2 times")) << log_.Joined();
  EXPECT_TRUE(log_.Has("File mappings overwritten: 1 file of 2 bytes")) << log_.Joined();
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"conf.active=v1", "conf.backup=v1"}));
}

}  // namespace
}  // namespace qv::testing
