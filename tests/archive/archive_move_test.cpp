#include <stdexcept>

#include "tests/archive/archive_test_util.h"

namespace qv::testing {
namespace {

using ArchiveMoveTest = ArchiveTest;

TEST_F(ArchiveMoveTest, FilesItemsUnderDayAndTimeOfTheRun) {
  struct Case {
    int year, month, day, hour, minute, second;
    std::string item;
    std::string expected;  // below the archive directory
  };
  const Case cases[] = {
      {2024, 3, 5, 9, 7, 30, "sub/a.txt", "2024/03/05/09 07 30/sub/a.txt"},
      {2023, 12, 31, 23, 59, 59, "x", "2023/12/31/23 59 59/x"},
      {2024, 1, 1, 0, 0, 0, "dir/", "2024/01/01/00 00 00/dir/"},
      {2024, 2, 29, 12, 0, 5, "d\xff/\x01n", "2024/02/29/12 00 05/d\xff/\x01n"},
  };
  for (const Case& c : cases) {
    platform_.SetNow(LocalFileTime(c.year, c.month, c.day, c.hour, c.minute, c.second));
    auto archive = NewArchive();
    EXPECT_EQ(archive->ArchivePath(dest_ + c.item), ArchiveDir() + c.expected) << c.item;
  }
  for (const std::string& outside :
       {dest_, dir_ / "elsewhere/x", ArchiveDir(), ArchiveDir() + "Logs/a.txt"}) {
    EXPECT_THROW(NewArchive()->ArchivePath(outside), std::invalid_argument) << outside;
  }
}

TEST_F(ArchiveMoveTest, MovedFileLandsInTheTimeSlotAndIsCounted) {
  auto archive = NewArchive();
  Open(*archive);
  TDirInfo source(TCounts{1, 0, 5, 5});
  Put(dest_ + "sub/a.txt", 5);
  ASSERT_TRUE(archive->MoveToArchive(TArchiveItem{dest_ + "sub/a.txt", false, 5, 5}, "", &flags_,
                                     &source, log_));
  const std::string slot = ArchiveDir() + "2024/03/05/09 07 30";
  EXPECT_TRUE(PathExists(slot + "/sub/a.txt"));
  EXPECT_FALSE(PathExists(dest_ + "sub/a.txt"));
  EXPECT_TRUE(log_.Has("Moved " + dest_ + "sub/a.txt to archive"));
  EXPECT_EQ(source.Get(), TCounts());
  EXPECT_EQ(archive->content().Get(), Recount());
  // Archive, Logs, 2024, 03, 05, slot, sub.
  EXPECT_EQ(archive->grown().Get(), (TCounts{1, 7, 5, 5}));
  EXPECT_EQ(ini_.ReadLastTimeSlot(Mapping(dest_).archive_key()), slot);
  EXPECT_EQ(log_.log_file, ArchiveDir() + "Logs/2024-03-05T09 07 30.txt");
}

TEST_F(ArchiveMoveTest, RunInTheSameSecondNeverTouchesWhatEarlierRunsArchived) {
  const std::string earlier = ArchiveDir() + "2024/03/05/09 07 30/";
  MakeDirs(earlier + "sub");
  WriteFile(earlier + "sub/a.txt", "old");
  WriteFile(earlier + "sub/b.txt", "earlier");
  MakeDirs(dest_ + "sub");
  {
    // Before anything is archived, too, what an earlier run archived is not
    // this run's to restore.
    auto archive = NewArchive();
    ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
    EXPECT_FALSE(archive->RestoreFromArchive(dest_ + "sub/b.txt", nullptr, 7, 7, log_));
  }
  for (const std::string suffix : {" (2)", " (3)"}) {
    auto archive = NewArchive();
    Open(*archive);
    WriteFile(dest_ + "sub/a.txt", "new" + suffix);
    ASSERT_TRUE(archive->MoveToArchive(TArchiveItem{dest_ + "sub/a.txt", false, 6, 6}, "", &flags_,
                                       nullptr, log_));
    EXPECT_EQ(ReadFile(ArchiveDir() + "2024/03/05/09 07 30" + suffix + "/sub/a.txt"),
              "new" + suffix);
    EXPECT_EQ(log_.log_file, ArchiveDir() + "Logs/2024-03-05T09 07 30" + suffix + ".txt");
    EXPECT_FALSE(archive->RestoreFromArchive(dest_ + "sub/b.txt", nullptr, 7, 7, log_));
  }
  EXPECT_EQ(ReadFile(earlier + "sub/a.txt"), "old");
  EXPECT_EQ(ReadFile(earlier + "sub/b.txt"), "earlier");
  EXPECT_FALSE(PathExists(dest_ + "sub/b.txt"));
}

TEST_F(ArchiveMoveTest, ItemWhoseTargetExistsStaysInTheDestination) {
  auto archive = NewArchive();
  Open(*archive);
  ASSERT_TRUE(Moved(*archive, "a.txt", 3));
  WriteFile(dest_ + "a.txt", "second");
  const TCounts before = archive->content().Get();
  EXPECT_FALSE(archive->MoveToArchive(TArchiveItem{dest_ + "a.txt", false, 6, 6}, "", &flags_,
                                      nullptr, log_));
  EXPECT_EQ(ReadFile(dest_ + "a.txt"), "second");
  EXPECT_EQ(ReadFile(archive->time_slot_path() + "/a.txt"), std::string(3, '\0'));
  EXPECT_TRUE(log_.HasPart("Could not move " + dest_ + "a.txt to archive " +
                           archive->time_slot_path() + "/a.txt. "));
  EXPECT_EQ(log_.ErrorCount(), 1);
  EXPECT_EQ(archive->content().Get(), before);

  // An item that vanished is reported as such.
  EXPECT_FALSE(archive->MoveToArchive(TArchiveItem{dest_ + "gone.txt", false, 1, 1}, "", &flags_,
                                      nullptr, log_));
  EXPECT_EQ(log_.lines.back(), "Error 2: Could not move " + dest_ + "gone.txt to archive " +
                                   archive->time_slot_path() +
                                   "/gone.txt. No such file or directory");
  EXPECT_EQ(archive->content().Get(), before);
}

TEST_F(ArchiveMoveTest, RestoresFilesAndDirectoriesOfThisRun) {
  auto archive = NewArchive();
  Open(*archive);
  const TCounts empty_archive = archive->content().Get();
  Put(dest_ + "d/x", 3);
  Put(dest_ + "d/e/y", 4);
  TDirInfo dest_counters;
  ASSERT_TRUE(archive->MoveToArchive(TArchiveItem{dest_ + "d/", true, 0, 0}, "", &flags_,
                                     &dest_counters, log_));
  EXPECT_TRUE(log_.Has("Moved " + dest_ + "d/ to archive with 1 directory and 2 files of 7 bytes"));
  ASSERT_TRUE(Moved(*archive, "f.txt", 9));

  ASSERT_TRUE(archive->RestoreFromArchive(dest_ + "d/", &dest_counters, 0, 0, log_));
  EXPECT_TRUE(
      log_.Has("Restored " + dest_ + "d/ from archive with 1 directory and 2 files of 7 bytes"));
  EXPECT_EQ(ReadFile(dest_ + "d/e/y"), std::string(4, '\0'));
  ASSERT_TRUE(archive->RestoreFromArchive(dest_ + "f.txt", &dest_counters, 9, 9, log_));
  EXPECT_TRUE(log_.Has("Restored " + dest_ + "f.txt from archive"));
  // d/ left the counters once when moved (-1 directory) and came back whole.
  EXPECT_EQ(dest_counters.Get(), (TCounts{3, 1, 16, 16}));
  EXPECT_EQ(archive->removed().Get(), (TCounts{3, 2, 16, 16}));
  // Only the empty time slot and its day folders are left of the run.
  EXPECT_EQ(archive->content().Get(), Recount());
  archive->Report(log_);
  EXPECT_EQ(archive->content().Get(), empty_archive);
  EXPECT_FALSE(PathExists(ArchiveDir() + "2024"));

  const size_t lines = log_.lines.size();
  const TCounts now = archive->content().Get();
  EXPECT_FALSE(archive->RestoreFromArchive(dest_ + "never.txt", nullptr, 1, 1, log_));
  EXPECT_EQ(log_.lines.size(), lines + 1);
  EXPECT_EQ(log_.lines.back(), "Could not restore " + dest_ + "never.txt");
  EXPECT_EQ(log_.ErrorCount(), 0);
  EXPECT_EQ(archive->content().Get(), now);
}

// A file about to be replaced keeps its name while its old version enters
// the archive; undoing the replacement drops only the archive's name for it.
TEST_F(ArchiveMoveTest, FileKeptInPlaceIsLinkedAndUndoneByDroppingTheLink) {
  auto archive = NewArchive();
  Open(*archive);
  WriteFile(dest_ + "f.txt", "old");
  TDirInfo dest_counters(TCounts{1, 0, 3, 3});
  ASSERT_TRUE(archive->MoveToArchive(TArchiveItem{dest_ + "f.txt", false, 3, 3, true}, "", &flags_,
                                     &dest_counters, log_));
  const std::string archived = archive->time_slot_path() + "/f.txt";
  EXPECT_EQ(ReadFile(dest_ + "f.txt"), "old");
  EXPECT_EQ(ReadFile(archived), "old");
  EXPECT_TRUE(log_.Has("Moved " + dest_ + "f.txt to archive"));
  EXPECT_EQ(archive->content().Get(), Recount());

  ASSERT_TRUE(archive->RestoreFromArchive(dest_ + "f.txt", &dest_counters, 3, 3, log_));
  EXPECT_EQ(ReadFile(dest_ + "f.txt"), "old");
  EXPECT_FALSE(PathExists(archived));
  EXPECT_EQ(dest_counters.Get(), (TCounts{1, 0, 3, 3}));
  EXPECT_EQ(archive->content().Get(), Recount());
}

TEST_F(ArchiveMoveTest, CreatingTheArchiveIsAskedFor) {
  for (const bool answer : {false, true}) {
    gate_.answers = {answer};
    flags_ = kConfirmAsk;
    auto archive = NewArchive();
    ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
    EXPECT_EQ(archive->OpenArchive(&flags_, log_), answer);
    ASSERT_FALSE(gate_.questions.empty());
    EXPECT_EQ(gate_.questions.back(), "Create archive directory " + ArchiveDir());
    EXPECT_NE(gate_.flags_seen.back() & kConfirmCreateArchive, 0);
    EXPECT_EQ(flags_ & kConfirmCreateArchive, 0);
    EXPECT_EQ(PathExists(ArchiveDir() + "Logs"), answer);
  }
  EXPECT_EQ(gate_.questions.size(), 2u);
}

TEST_F(ArchiveMoveTest, ArchiveThatWasNotCreatedIsNotMadeByAMove) {
  auto archive = NewArchive();
  ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
  EXPECT_FALSE(Moved(*archive, "a.txt", 1));
  EXPECT_TRUE(PathExists(dest_ + "a.txt"));
  EXPECT_FALSE(PathExists(ArchiveDir()));
  EXPECT_TRUE(log_.HasPart("Could not create directory " + ArchiveDir() + "2024. "));
}

TEST_F(ArchiveMoveTest, DeclinedMoveLeavesTheItem) {
  auto archive = NewArchive();
  Open(*archive);
  gate_.answers = {false};
  flags_ = kConfirmAsk;
  EXPECT_FALSE(Moved(*archive, "a.txt", 1));
  EXPECT_EQ(gate_.questions, std::vector<std::string>{"Move " + dest_ + "a.txt to archive?"});
  EXPECT_TRUE(PathExists(dest_ + "a.txt"));
}

}  // namespace
}  // namespace qv::testing
