#include <unistd.h>

#include "tests/archive/archive_test_util.h"

namespace qv::testing {
namespace {

using ArchiveDaysTest = ArchiveTest;

TEST_F(ArchiveDaysTest, FindsDaysInDateOrderAcrossGaps) {
  for (const char* day :
       {"2023/12/31", "2024/01/02", "2024/01/10", "2024/11/01", "2025/02/03", "2025/99/01",
        "2024/1/05", "2024/01/3", "20245/01/01", "abcd/01/01", "Logs/2024/01"}) {
    MakeDirs(ArchiveDir() + day + "/10 00 00");
  }
  WriteFile(ArchiveDir() + "2024/01/05", "a file is no day");
  MakeDirs(dir_ / "elsewhere/01/01");
  ASSERT_EQ(symlink((dir_ / "elsewhere").c_str(), (ArchiveDir() + "2022").c_str()), 0);

  const std::pair<std::string, std::string> cases[] = {
      {kNoDay, "2023/12/31/"},        {"2023/12/31/", "2024/01/02/"},
      {"2024/01/02/", "2024/01/10/"}, {"2024/01/05/", "2024/01/10/"},
      {"2024/01/10/", "2024/11/01/"}, {"2024/11/01/", "2025/02/03/"},
      {"2025/02/03/", "2025/99/01/"}, {"2025/99/01/", ""},
  };
  auto archive = NewArchive();
  for (const auto& [after, expected] : cases) {
    std::string day = "unset";
    EXPECT_TRUE(archive->FindOldestDay(after, &day, log_));
    EXPECT_EQ(day, expected) << "after " << after;
  }
  EXPECT_EQ(log_.lines, std::vector<std::string>());
}

TEST_F(ArchiveDaysTest, SearchRemovesEmptyMonthAndYearFolders) {
  for (const char* dir : {"2021/01", "2022", "2023/05", "2023/06/01/10 00 00"}) {
    MakeDirs(ArchiveDir() + dir);
  }
  auto archive = NewArchive();
  ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
  std::string day;
  ASSERT_TRUE(archive->FindOldestDay(kNoDay, &day, log_));
  EXPECT_EQ(day, "2023/06/01/");
  for (const char* gone : {"2021", "2022", "2023/05"}) {
    EXPECT_FALSE(PathExists(ArchiveDir() + gone)) << gone;
  }
  EXPECT_EQ(archive->removed().Get(), (TCounts{0, 4, 0, 0}));
  EXPECT_EQ(archive->content().Get(), Recount());
}

TEST_F(ArchiveDaysTest, RemovingTodayKeepsTheRunningTimeSlot) {
  Put(ArchiveDir() + "2024/03/05/08 00 00/old.txt", 1000);
  Put(ArchiveDir() + "2024/03/05/09 07 30/same second.txt", 10);
  auto archive = NewArchive();
  Open(*archive);
  ASSERT_TRUE(Moved(*archive, "a.txt", 100));
  log_.lines.clear();
  bool skipped = false;
  ASSERT_TRUE(archive->RemoveDay("2024/03/05/", &flags_, &skipped, log_));
  EXPECT_TRUE(PathExists(archive->time_slot_path() + "/a.txt"));
  EXPECT_FALSE(PathExists(ArchiveDir() + "2024/03/05/08 00 00"));
  EXPECT_FALSE(PathExists(ArchiveDir() + "2024/03/05/09 07 30"));
  EXPECT_TRUE(log_.Has("Removed 2 directories and 2 files of 1010 bytes"));
  EXPECT_EQ(archive->content().Get(), Recount());
  EXPECT_FALSE(log_.HasPart("Scanning archive"));

  // A later move of this run still lands in the same slot.
  ASSERT_TRUE(Moved(*archive, "b.txt", 1));
  EXPECT_TRUE(PathExists(archive->time_slot_path() + "/b.txt"));
}

TEST_F(ArchiveDaysTest, LinksInTheArchiveGoAsLinks) {
  MakeDirs(dir_ / "outside/inner");
  WriteFile(dir_ / "outside/inner/keep.txt", "keep");
  const std::string slot = ArchiveDir() + "2024/01/05/10 00 00/";
  MakeDirs(slot);
  ASSERT_EQ(symlink((dir_ / "outside").c_str(), (slot + "dir link").c_str()), 0);
  ASSERT_EQ(symlink((dir_ / "outside/inner/keep.txt").c_str(), (slot + "file link").c_str()), 0);
  auto archive = NewArchive();
  ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
  bool skipped = false;
  ASSERT_TRUE(archive->RemoveDay("2024/01/05/", &flags_, &skipped, log_)) << log_.Joined();
  EXPECT_FALSE(PathExists(ArchiveDir() + "2024"));
  EXPECT_EQ(ReadFile(dir_ / "outside/inner/keep.txt"), "keep");
  EXPECT_EQ(archive->content().Get(), Recount());
}

TEST_F(ArchiveDaysTest, LogFilesGoWithTheirDay) {
  const std::string logs = ArchiveDir() + "Logs/";
  for (const char* name :
       {"2024-01-05T10 00 00.txt", "2024-01-07T10 00 00.txt", "2024-03-05T08 00 00.txt"}) {
    Put(logs + name, 50);
  }
  Put(ArchiveDir() + "2024/01/05/10 00 00/f", 1);
  Put(ArchiveDir() + "2024/01/07/10 00 00/f", 1);
  auto archive = NewArchive();
  ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
  bool skipped = false;
  ASSERT_TRUE(archive->RemoveDay("2024/01/05/", &flags_, &skipped, log_));
  EXPECT_TRUE(log_.Has("Removed " + logs + "2024-01-05T10 00 00.txt from the archive"));
  EXPECT_FALSE(PathExists(logs + "2024-01-05T10 00 00.txt"));
  EXPECT_TRUE(PathExists(logs + "2024-01-07T10 00 00.txt"));
  EXPECT_TRUE(log_.Has("Removed 2 directories and 2 files of 51 bytes"));
  EXPECT_EQ(archive->content().Get(), Recount());
  EXPECT_EQ(archive->log_dir().kept(), (TCounts{2, 1, 100, 100}));
}

TEST_F(ArchiveDaysTest, DeclinedRemovalStopsTheShrink) {
  struct Case {
    std::function<void(uint16_t*)> scope;  // what the user chose besides No
    uint16_t flags_after;
  };
  const uint16_t asking = kConfirmAsk | kConfirmDirScope | kConfirmMirrorScope;
  const Case cases[] = {
      {nullptr, asking},
      // "Remainder of mirror": the answer No stands for the rest of the mirror.
      {[](uint16_t* f) { *f &= ~(kConfirmAsk | kConfirmDirScope | kConfirmDefaultYes); },
       kConfirmMirrorScope},
  };
  for (const char* day : {"2024/01/05/", "2024/01/07/"}) {
    Put(ArchiveDir() + day + "10 00 00/f", 1000);
  }
  for (const Case& c : cases) {
    gate_ = ScriptedGate();
    gate_.answers = {false};
    gate_.on_ask = c.scope;
    auto archive = NewArchive();
    ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
    uint16_t flags = asking;
    bool skipped = false;
    EXPECT_FALSE(archive->Shrink(TArchiveMeasure::kSize, &flags, &skipped, 0, 0, log_));
    EXPECT_TRUE(skipped);
    EXPECT_EQ(flags, c.flags_after);
    ASSERT_EQ(gate_.questions, std::vector<std::string>{"Remove day " + ArchiveDir() +
                                                        "2024/01/05/ from the archive?"});
    EXPECT_NE(gate_.flags_seen[0] & kConfirmRemoveDay, 0);
    EXPECT_TRUE(PathExists(ArchiveDir() + "2024/01/05"));
  }
}

}  // namespace
}  // namespace qv::testing
