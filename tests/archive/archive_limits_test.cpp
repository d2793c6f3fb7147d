#include "tests/archive/archive_test_util.h"

namespace qv::testing {
namespace {

using ArchiveLimitsTest = ArchiveTest;

constexpr const char* kDays[] = {"2024/01/05/", "2024/01/07/", "2024/02/01/"};

TEST_F(ArchiveLimitsTest, ShrinksTenMegabytesBelowAnExceededMaximum) {
  struct Case {
    int64_t max_size;
    int64_t max_compressed;
    int days_left;
  };
  const int64_t total = 18 * kMiB;  // three days of 6 MiB
  const Case cases[] = {
      {total, kNoLimit, 3},          {total - 1, kNoLimit, 1}, {kNoLimit, total - 1, 1},
      {17 * kMiB, kNoLimit, 1},  // 12 MiB would still be above 17 - 10 MiB
      {total + 10 * kMiB, total, 3},
  };
  for (const Case& c : cases) {
    for (const char* day : kDays) Put(ArchiveDir() + day + "10 00 00/f", 6 * kMiB);
    Mapping(dest_).mutable_settings().max_archive_size = c.max_size;
    Mapping(dest_).mutable_settings().max_compressed_archive_size = c.max_compressed;
    auto archive = NewArchive();
    ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_)) << log_.Joined();
    int left = 0;
    for (const char* day : kDays) left += PathExists(ArchiveDir() + day) ? 1 : 0;
    EXPECT_EQ(left, c.days_left) << c.max_size << " " << c.max_compressed;
    EXPECT_TRUE(PathExists(ArchiveDir() + kDays[2])) << "the newest day goes last";
    EXPECT_EQ(archive->content().Get(), Recount());
  }
}

TEST_F(ArchiveLimitsTest, ArchiveOfOnlyLogsShrinksOnlyWithMoreFolders) {
  Put(ArchiveDir() + "Logs/2024-01-05T10 00 00.txt", 100);
  Mapping(dest_).mutable_settings().max_archive_size = 5 * kMiB;
  const std::string& key = Mapping(dest_).archive_key();
  int searches = 0;
  platform_.on_call = [&](Op op, const std::string& path) {
    if (op == Op::kListDir && path == ArchiveDir()) ++searches;
  };
  for (const bool empty_year : {false, true}) {
    if (empty_year) MakeDirs(ArchiveDir() + "2023");
    // Stored counters, so that loading does not walk the archive.
    ASSERT_TRUE(ini_.WriteCounters(key, TCounts{1, empty_year ? 3 : 2, 100, 100}));
    ASSERT_TRUE(ini_.WriteCounters(key + "\\Logs", TCounts{1, 1, 100, 100}));
    searches = 0;
    auto archive = NewArchive();
    ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_)) << log_.Joined();
    // The archive and its logs alone: no search for days at all.
    EXPECT_EQ(searches > 0, empty_year);
    EXPECT_FALSE(PathExists(ArchiveDir() + "2023"));
    EXPECT_TRUE(PathExists(ArchiveDir() + "Logs/2024-01-05T10 00 00.txt"));
    EXPECT_EQ(archive->content().Get(), Recount());
  }
}

TEST_F(ArchiveLimitsTest, DestinationWithoutRoomForTheArchiveIsReported) {
  Put(ArchiveDir() + "2024/01/05/10 00 00/f", 100);
  Put(ArchiveDir() + "Logs/2024-01-05T10 00 00.txt", 100);
  auto archive = NewArchive();
  ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
  bool skipped = false;
  EXPECT_FALSE(archive->Shrink(TArchiveMeasure::kSize, &flags_, &skipped, -2048, -2048, log_));
  EXPECT_TRUE(
      log_.Has("Error: The destination for this mirror is too small. Need at least "
               "2.00 KB more space to store all files."));
  EXPECT_FALSE(PathExists(ArchiveDir() + "2024"));
  EXPECT_FALSE(skipped);
}

TEST_F(ArchiveLimitsTest, CountersSurviveARunThatClosed) {
  {
    auto archive = NewArchive();
    Open(*archive);
    ASSERT_TRUE(Moved(*archive, "a.txt", 42));
    archive->CloseArchive();
  }
  const std::string& key = Mapping(dest_).archive_key();
  EXPECT_EQ(ini_.ReadInteger(key, "Version", 0), 1);
  EXPECT_EQ(ini_.ReadLastTimeSlot(key), ArchiveDir() + "2024/03/05/09 07 30");
  log_.lines.clear();
  platform_.Advance(3600 * kFileTimeTicksPerSecond);
  auto archive = NewArchive();
  ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
  EXPECT_EQ(archive->content().Get(), Recount());
  EXPECT_EQ(log_.Starting("The registry reports the archive with "),
            std::vector<std::string>{"The registry reports the archive with 6 directories and "
                                     "1 file of 42 bytes"});
  EXPECT_TRUE(log_.Starting("Scanning archive").empty());
}

TEST_F(ArchiveLimitsTest, RunThatDidNotCloseIsCountedAgain) {
  {
    auto archive = NewArchive();
    Open(*archive);
    ASSERT_TRUE(Moved(*archive, "a.txt", 42));
  }  // killed: no CloseArchive
  for (const bool closed_before : {false, true}) {
    log_.lines.clear();
    auto archive = NewArchive();
    ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
    EXPECT_EQ(log_.Starting("Scanning archive " + ArchiveDir() + "...").size(),
              closed_before ? 0u : 1u)
        << log_.Joined();
    EXPECT_EQ(archive->content().Get(), Recount());
    archive->CloseArchive();
  }
}

TEST_F(ArchiveLimitsTest, RemovalInAClosedArchiveKeepsItsCountersRight) {
  for (const char* day : kDays) Put(ArchiveDir() + day + "10 00 00/f", 10);
  auto archive = NewArchive();
  ASSERT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_));
  archive->CloseArchive();
  bool skipped = false;
  ASSERT_TRUE(archive->RemoveDay(kDays[0], &flags_, &skipped, log_));
  TCounts stored;
  ASSERT_TRUE(ini_.ReadCounters(Mapping(dest_).archive_key(), &stored));
  EXPECT_EQ(stored, Recount());
  EXPECT_EQ(ini_.ReadInteger(Mapping(dest_).archive_key(), "RunOpen", 0), 0);
}

}  // namespace
}  // namespace qv::testing
