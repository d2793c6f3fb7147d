#include "archive/disk_info_query.h"
#include "tests/archive/archive_test_util.h"

namespace qv::testing {
namespace {

using DestDiskTest = ArchiveTest;

constexpr int64_t kGiB = 1024 * kMiB;

TEST_F(DestDiskTest, DestinationsOnOneDriveShareTheLargerReservation) {
  TDestDisk& first = disks_.GetDestDisk(dest_, kGiB, log_);
  TDestDisk& second = disks_.GetDestDisk(dir_ / "not yet/made/", 5 * kGiB, log_);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(disks_.Count(), 1);
  EXPECT_EQ(first.wanted_free_bytes(), 5 * kGiB);
  EXPECT_EQ(first.root(), DriveOf(platform_, dest_));
  EXPECT_EQ(first.root().back(), '/');
  EXPECT_GE(first.free_bytes(), 0);

  // A drive that cannot be read stays at -1, so the mirror refuses to start.
  TDestDisks unreadable(platform_);
  platform_.AddFault(Fault{Op::kFreeSpace, "", 0, EIO, 1});
  EXPECT_EQ(unreadable.GetDestDisk(dest_, 0, log_).free_bytes(), -1);
  EXPECT_EQ(log_.ErrorCount(), 1);
}

TEST_F(DestDiskTest, ReportsFreeBytesLeftForTheMirrors) {
  struct Case {
    int64_t free_bytes, wanted;
    int64_t for_mirrors;
    std::string line;  // after the root
  };
  const Case cases[] = {
      {10 * kGiB, 0, 10 * kGiB, " has 10.0 GB of 100.0 GB free"},
      {10 * kGiB, kGiB, 9 * kGiB,
       " has 10.0 GB of 100.0 GB free, leaving 9.0 GB free for this mirror"},
      {kGiB, 5 * kGiB, 0, " has 1.0 GB of 100.0 GB free, leaving 0 bytes free for this mirror"},
  };
  for (const Case& c : cases) {
    TDestDisks disks(platform_);
    TDestDisk& disk = disks.GetDestDisk(dest_, c.wanted, log_);
    platform_.SetFreeSpace(c.free_bytes, 100 * kGiB);
    ASSERT_TRUE(disk.RefreshFreeBytes(true, log_));
    EXPECT_EQ(log_.lines.back(), "Destination drive " + disk.root() + c.line);
    EXPECT_EQ(disk.free_bytes(), c.for_mirrors);
    EXPECT_EQ(disk.raw_free_bytes(), c.free_bytes);
  }
  TDestDisk& disk = disks_.GetDestDisk(dest_, 0, log_);
  platform_.AddFault(Fault{Op::kFreeSpace, "", 0, EIO, 1});
  EXPECT_FALSE(disk.RefreshFreeBytes(false, log_));
  EXPECT_EQ(log_.lines.back(),
            "Error 5: Could not retrieve free bytes for " + disk.root() + ". Input/output error");
  EXPECT_EQ(disk.free_bytes(), -1);
  EXPECT_EQ(disk.total_bytes(), -1);
}

TEST_F(DestDiskTest, ShortageIsReportedOnceAndDecidesTheRestart) {
  TDestDisk& disk = disks_.GetDestDisk(dest_, 1024, log_);
  EXPECT_FALSE(disks_.AnyDiskCanRestart(log_));
  platform_.SetFreeSpace(2000000 + 1024, kGiB);
  EXPECT_TRUE(disk.MakeSpace(&flags_, log_, 2000000, 0));  // exactly enough
  platform_.SetFreeSpace(1000 + 1024, kGiB);
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_FALSE(disk.MakeSpace(&flags_, log_, 2000000, 0));
  }
  const std::string short_line =
      "Not enough space on " + disk.root() + ". Continuing scan to collect free space.";
  EXPECT_EQ(log_.Starting("Not enough space on "), std::vector<std::string>{short_line});
  EXPECT_EQ(log_.ErrorCount(), 0);
  EXPECT_TRUE(disks_.space_was_short());

  EXPECT_FALSE(disks_.AnyDiskCanRestart(log_));
  EXPECT_TRUE(log_.Has("Error: Destination disk " + disk.root() + " is full."));
  EXPECT_TRUE(
      log_.Has("Need 2,000,000 free bytes, found 2,024 free bytes and the mirror "
               "specifies 1.00 KB to keep free"));
  platform_.SetFreeSpace(2000000 + 1024, kGiB);
  EXPECT_TRUE(disks_.AnyDiskCanRestart(log_));
  EXPECT_EQ(log_.lines.back(),
            "Found enough free space on " + disk.root() + " to restart the scanner");
  disk.ReportOutOfSpace(log_);
  EXPECT_EQ(log_.lines.back(), "Drive " + disk.root() + " is out of free space.");
}

// Two mirrors on one drive give up their days oldest first, whichever
// mirror they belong to; on equal days the archive created first.
TEST_F(DestDiskTest, OldestDayOfTheDriveGoesFirst) {
  const std::string dest_b = dir_ / "dest b/";
  const std::string a = ArchiveDir() + "2024/01/";
  const std::string b = ArchiveDir(dest_b) + "2024/01/";
  struct Case {
    int64_t needed;
    std::vector<std::string> removed;
    bool result;
  };
  const Case cases[] = {
      {0, {b + "03/", a + "05/"}, true},  // 10 MiB above the threshold of 0
      {100 * kMiB, {b + "03/", a + "05/", b + "05/", a + "07/"}, false},
  };
  for (const Case& c : cases) {
    for (const char* day : {"2024/01/05/", "2024/01/07/"})
      Put(ArchiveDir() + day + "s/f", 6 * kMiB);
    for (const char* day : {"2024/01/03/", "2024/01/05/"}) {
      Put(ArchiveDir(dest_b) + day + "s/f", 6 * kMiB);
    }
    auto archive_a = NewArchive();
    auto archive_b = NewArchive(dest_b);
    ASSERT_TRUE(archive_a->LoadInfo(&items_, &flags_, false, log_));
    ASSERT_TRUE(archive_b->LoadInfo(&items_, &flags_, false, log_));
    log_.lines.clear();
    platform_.capacity = 25 * kMiB;
    TDestDisk& disk = disks_.GetDestDisk(dest_, 0, log_);
    EXPECT_EQ(disk.MakeSpace(&flags_, log_, c.needed, 0), c.result);
    std::vector<std::string> removed;
    for (const std::string& line : log_.Starting("Removing day "))
      removed.push_back(line.substr(13));
    EXPECT_EQ(removed, c.removed);
    EXPECT_EQ(archive_a->content().Get(), Recount());
    EXPECT_EQ(archive_b->content().Get(), Recount(dest_b));
    platform_.capacity.reset();
  }
}

TEST_F(DestDiskTest, FullDiskWhileArchivingMakesSpaceAndRetries) {
  Put(ArchiveDir() + "2024/01/05/10 00 00/old", 6 * kMiB);
  Put(ArchiveDir() + "2024/01/07/10 00 00/old", 6 * kMiB);
  auto archive = NewArchive();
  Open(*archive);
  Put(dest_ + "a.txt", 100);
  platform_.capacity = 12 * kMiB + 1000;
  platform_.AddFault(Fault{Op::kMove, dest_ + "a.txt", 0, ENOSPC, 1});
  ASSERT_TRUE(archive->MoveToArchive(TArchiveItem{dest_ + "a.txt", false, 100, 100}, "", &flags_,
                                     nullptr, log_))
      << log_.Joined();
  EXPECT_TRUE(PathExists(archive->time_slot_path() + "/a.txt"));
  EXPECT_FALSE(PathExists(ArchiveDir() + "2024/01/05"));
  // 6 MiB freed is less than the 10 MiB margin, but enough for the item.
  EXPECT_FALSE(PathExists(ArchiveDir() + "2024/01/07"));
  EXPECT_TRUE(log_.Starting("Not enough space on ").empty());
  EXPECT_EQ(log_.ErrorCount(), 0);
  EXPECT_EQ(archive->content().Get(), Recount());
}

TEST_F(DestDiskTest, OutOfInodesIsSaidAndKeepsEveryDay) {
  Put(ArchiveDir() + "2024/01/05/10 00 00/old", 10);
  auto archive = NewArchive();
  Open(*archive);
  platform_.SetFreeSpace(kGiB, 2 * kGiB);
  platform_.AddFault(Fault{Op::kCreateDir, "09 07 30", 0, ENOSPC});
  const std::string root = disks_.GetDestDisk(dest_, 0, log_).root();
  for (const char* item : {"a.txt", "b.txt"}) {
    EXPECT_FALSE(Moved(*archive, item, 10));
    EXPECT_TRUE(PathExists(dest_ + item));
  }
  EXPECT_EQ(log_.Starting("Error"),
            std::vector<std::string>{"Error: Drive " + root +
                                     " is out of inodes (no free file entries) although 1.0 GB "
                                     "are free."});
  EXPECT_TRUE(PathExists(ArchiveDir() + "2024/01/05/10 00 00/old"));
}

TEST_F(DestDiskTest, DriveQueriesWaitOnePerDrive) {
  TDiskInfoQueue queue;
  EXPECT_TRUE(queue.Add("/a/"));
  EXPECT_FALSE(queue.Add("/a/"));
  EXPECT_TRUE(queue.Add(dest_));
  std::unique_ptr<TDiskInfoQuery> first = queue.TakeNext();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->info().drive, "/a/");
  EXPECT_TRUE(queue.Add("/a/"));

  std::unique_ptr<TDiskInfoQuery> second = queue.TakeNext();
  platform_.SetFreeSpace(123, 456);
  second->Run(platform_);
  EXPECT_EQ(second->info().drive, dest_);
  EXPECT_EQ(second->info().free_bytes, 123);
  EXPECT_EQ(second->info().total_bytes, 456);
  platform_.AddFault(Fault{Op::kFreeSpace, "", 0, EIO, 1});
  first->Run(platform_);
  EXPECT_EQ(first->info().free_bytes, -1);
  EXPECT_EQ(first->info().total_bytes, -1);
  EXPECT_EQ(queue.TakeNext()->info().drive, "/a/");
  EXPECT_EQ(queue.TakeNext(), nullptr);
}

}  // namespace
}  // namespace qv::testing
