// The archive of a destination (moves, restores, days, shrinks) and the
// destination disks that free space by removing archive days.
#include "archive/archive.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include "archive/clear_archive_info.h"
#include "archive/confirm_gate.h"
#include "archive/dest_disks.h"
#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/mass_change.h"
#include "config/qv_ini_file.h"
#include "filesys/listing.h"
#include "filesys/path_ops.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/recording_logger.h"
#include "tests/support/scoped_mount.h"
#include "tests/support/scripted_gate.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

using Lines = std::vector<std::string>;
constexpr int64_t kMiB = 1024 * 1024;
constexpr int64_t kGiB = 1024 * kMiB;

// 100-ns ticks of a local time "yyyy-mm-dd hh:mm:ss".
FileTime LocalFileTime(const char* text) {
  std::tm parts{};
  EXPECT_NE(strptime(text, "%Y-%m-%d %H:%M:%S", &parts), nullptr) << text;
  parts.tm_isdst = -1;
  return (static_cast<int64_t>(mktime(&parts)) + kUnixEpochSeconds) * kFileTimeTicksPerSecond;
}

struct ArchiveLogger : RecordingLogger {
  bool SetLogFileName(const std::string& path) override {
    log_file = path;
    return true;
  }
  Lines Starting(const std::string& prefix) const {
    Lines found;
    for (const std::string& line : lines) {
      if (line.starts_with(prefix)) found.push_back(line);
    }
    return found;
  }
  std::string log_file;
};

// A destination with its archive, a real settings file, the fake clock at
// 2024-03-05 09:07:30 and scripted answers.
class ArchiveTest : public ::testing::Test {
 protected:
  ArchiveTest() {
    MakeDirs(dest_);
    platform_.SetNow(LocalFileTime("2024-03-05 09:07:30"));
  }
  // From now on every volume has capacity bytes less what the files in the
  // test directory take, so that removing archive days frees space.
  void SetCapacity(int64_t capacity) {
    platform_.on_call = [this, capacity](Op op, const std::string&) {
      if (op != Op::kFreeSpace) return;
      int64_t free_bytes = capacity;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
        if (entry.is_regular_file() && !entry.is_symlink()) free_bytes -= entry.file_size();
      }
      platform_.SetFreeSpace(free_bytes, capacity);
    };
  }

  // The mapping onto dest (ends with "/"), made on first use.
  TMapping& Mapping(const std::string& dest) {
    auto& mapping = mappings_[dest];
    if (!mapping) mapping = std::make_unique<TMapping>(ini_, dest);
    return *mapping;
  }
  // A new archive of dest (default dest_) on its disk, loaded; opened first,
  // as a mirror does it, when open.
  std::unique_ptr<TArchive> Loaded(std::string dest = "", bool open = false) {
    if (dest.empty()) dest = dest_;
    auto archive = std::make_unique<TArchive>(platform_, ini_, Mapping(dest),
                                              disks_.GetDestDisk(dest, 0, log_), gate_);
    EXPECT_TRUE(!open || archive->OpenArchive(&flags_, log_));
    EXPECT_TRUE(archive->LoadInfo(&items_, &flags_, false, log_)) << log_.Joined();
    return archive;
  }
  std::unique_ptr<TArchive> Opened() { return Loaded("", true); }
  std::string ArchiveDir(const std::string& dest = "") const {
    return (dest.empty() ? dest_ : dest) + "Quorvane archive/";
  }
  // A sparse file of size bytes, its directories made.
  void Put(const std::string& path, int64_t size) {
    MakeDirs(ParentDir(path));
    WriteFile(path, "");
    ASSERT_EQ(truncate(path.c_str(), size), 0) << path;
  }
  // What a fresh count of the archive of dest finds.
  TCounts Recount(const std::string& dest = "") {
    TCounts counts;
    int64_t visited = 0;
    EXPECT_TRUE(
        DirectorySize(platform_, ArchiveDir(dest), &counts, &visited, log_, kDirSizeCountStart));
    return counts;
  }
  // Puts dest_ + relative and moves it into the archive.
  bool Moved(TArchive& archive, const std::string& relative, int64_t size,
             TDirInfo* counters = nullptr, bool keep_in_place = false) {
    if (!PathExists(dest_ + relative)) Put(dest_ + relative, size);
    return archive.MoveToArchive(
        TArchiveItem{dest_ + relative, relative.ends_with("/"), size, size, keep_in_place}, "",
        &flags_, counters, log_);
  }

  ScopedTempDir dir_;
  std::string dest_ = dir_ / "dest/";
  FaultPlatform platform_{DefaultPlatform()};
  TQVIniFile ini_{platform_, dir_ / "settings.db"};
  ArchiveLogger log_;
  ScriptedGate gate_{log_};
  uint16_t flags_ = kConfirmDefaultYes;
  bool skipped_ = false;
  int64_t items_ = 0;
  std::map<std::string, std::unique_ptr<TMapping>> mappings_;
  TDestDisks disks_{platform_};
};

// Moving and restoring.

TEST_F(ArchiveTest, FilesItemsUnderDayAndTimeOfTheRun) {
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"2023-12-31 23:59:59", "x", "2023/12/31/23 59 59/x"},
      {"2024-01-01 00:00:00", "dir/", "2024/01/01/00 00 00/dir/"},
      {"2024-02-29 12:00:05", "d\xff/\x01n", "2024/02/29/12 00 05/d\xff/\x01n"},
  };
  for (const auto& [now, item, expected] : cases) {
    platform_.SetNow(LocalFileTime(now));
    EXPECT_EQ(Loaded()->ArchivePath(dest_ + item), ArchiveDir() + expected);
  }
  for (const std::string& outside :
       {dest_, dir_ / "elsewhere/x", ArchiveDir(), ArchiveDir() + "Logs/a.txt"}) {
    EXPECT_THROW(Loaded()->ArchivePath(outside), std::invalid_argument) << outside;
  }
}

// Nothing archived is ever replaced or restored by another run: not by a
// later run in the same second, not by a later move of the same run.
TEST_F(ArchiveTest, RunInTheSameSecondNeverTouchesWhatEarlierRunsArchived) {
  const std::string earlier = ArchiveDir() + "2024/03/05/09 07 30/sub/";
  MakeTree(earlier, {"a.txt=old", "b.txt=earlier"});
  MakeDirs(dest_ + "sub");
  for (const std::string suffix : {" (2)", " (3)"}) {
    auto archive = Opened();
    WriteFile(dest_ + "sub/a.txt", "new" + suffix);
    ASSERT_TRUE(Moved(*archive, "sub/a.txt", 7));
    WriteFile(dest_ + "sub/a.txt", "again");
    EXPECT_FALSE(Moved(*archive, "sub/a.txt", 5));
    const std::string archived = ArchiveDir() + "2024/03/05/09 07 30" + suffix + "/sub/a.txt";
    EXPECT_EQ(ReadFile(archived), "new" + suffix);
    EXPECT_EQ(ReadFile(dest_ + "sub/a.txt"), "again");
    EXPECT_EQ(log_.lines.back(), "Error 17: Could not move " + dest_ + "sub/a.txt to archive " +
                                     archived + ". File exists");
    EXPECT_EQ(log_.log_file, ArchiveDir() + "Logs/2024-03-05T09 07 30" + suffix + ".txt");
    EXPECT_FALSE(archive->RestoreFromArchive(dest_ + "sub/b.txt", nullptr, 7, 7, log_));
    EXPECT_EQ(archive->content().Get(), Recount());
  }
  EXPECT_EQ(ReadFile(earlier + "a.txt"), "old");
  EXPECT_EQ(ReadFile(earlier + "b.txt"), "earlier");
}

TEST_F(ArchiveTest, MovesAndRestoresFilesAndDirectoriesOfThisRun) {
  auto archive = Opened();
  const TCounts empty_archive = archive->content().Get();
  Put(dest_ + "d/x", 3);
  Put(dest_ + "d/e/y", 4);
  TDirInfo dest_counters;
  ASSERT_TRUE(Moved(*archive, "d/", 0, &dest_counters));
  ASSERT_TRUE(Moved(*archive, "f.txt", 9));
  EXPECT_EQ(log_.Starting("Moved "),
            (Lines{"Moved " + dest_ + "d/ to archive with 1 directory and 2 files of 7 bytes",
                   "Moved " + dest_ + "f.txt to archive"}));
  EXPECT_EQ(archive->content().Get(), Recount());
  ASSERT_TRUE(archive->RestoreFromArchive(dest_ + "d/", &dest_counters, 0, 0, log_));
  ASSERT_TRUE(archive->RestoreFromArchive(dest_ + "f.txt", &dest_counters, 9, 9, log_));
  EXPECT_EQ(log_.Starting("Restored "),
            (Lines{"Restored " + dest_ + "d/ from archive with 1 directory and 2 files of 7 bytes",
                   "Restored " + dest_ + "f.txt from archive"}));
  // d/ left the counters as one directory and came back whole.
  EXPECT_EQ(dest_counters.Get(), (TCounts{3, 1, 16, 16}));
  archive->Report(log_);  // only the empty time slot and its day folders were left
  EXPECT_EQ(archive->content().Get(), empty_archive);
  EXPECT_FALSE(PathExists(ArchiveDir() + "2024"));
  EXPECT_FALSE(archive->RestoreFromArchive(dest_ + "never.txt", nullptr, 1, 1, log_));
  EXPECT_EQ(log_.lines.back(), "Could not restore " + dest_ + "never.txt");
}

// A file about to be replaced keeps its name while its old version enters
// the archive; undoing the replacement drops only the archive's name for it.
TEST_F(ArchiveTest, FileKeptInPlaceIsLinkedAndUndoneByDroppingTheLink) {
  auto archive = Opened();
  WriteFile(dest_ + "f.txt", "old");
  TDirInfo dest_counters(TCounts{1, 0, 3, 3});
  ASSERT_TRUE(Moved(*archive, "f.txt", 3, &dest_counters, true));
  const std::string archived = archive->time_slot_path() + "/f.txt";
  EXPECT_EQ(ReadFile(dest_ + "f.txt"), "old");
  EXPECT_EQ(ReadFile(archived), "old");
  EXPECT_EQ(dest_counters.Get(), TCounts());
  ASSERT_TRUE(archive->RestoreFromArchive(dest_ + "f.txt", &dest_counters, 3, 3, log_));
  EXPECT_EQ(ReadFile(dest_ + "f.txt"), "old");
  EXPECT_FALSE(PathExists(archived));
  EXPECT_EQ(dest_counters.Get(), (TCounts{1, 0, 3, 3}));
  EXPECT_EQ(archive->content().Get(), Recount());
}

// Days and shrinks.

TEST_F(ArchiveTest, FindsDaysInDateOrderAcrossGapsAndDropsEmptyFolders) {
  for (const char* dir : {"2023/12/31/1", "2024/01/02/1", "2024/01/10/1", "2024/11/01/1",
                          "2025/99/01/1", "2024/1/05/1", "20245/01/01/1", "Logs/2024/01/1",
                          "2021/01", "2022", "2023/05", "elsewhere/01/01/1"}) {
    MakeDirs(ArchiveDir() + dir);
  }
  ASSERT_EQ(symlink((ArchiveDir() + "elsewhere").c_str(), (ArchiveDir() + "2020").c_str()), 0);
  auto archive = Loaded();
  Lines days;
  for (std::string after = kNoDay, day;
       archive->FindOldestDay(after, &day, log_) && !day.empty();) {
    days.push_back(after = day);
  }
  EXPECT_EQ(days,
            (Lines{"2023/12/31/", "2024/01/02/", "2024/01/10/", "2024/11/01/", "2025/99/01/"}));
  for (const char* gone : {"2021", "2022", "2023/05"})
    EXPECT_FALSE(PathExists(ArchiveDir() + gone));
  EXPECT_TRUE(PathExists(ArchiveDir() + "elsewhere/01/01/1"));
  EXPECT_EQ(archive->content().Get(), Recount());
}

TEST_F(ArchiveTest, RemovingTodayKeepsTheRunningTimeSlot) {
  Put(ArchiveDir() + "2024/03/05/08 00 00/old.txt", 1000);
  Put(ArchiveDir() + "2024/03/05/09 07 30/same second.txt", 10);
  auto archive = Opened();
  ASSERT_TRUE(Moved(*archive, "a.txt", 100));
  ASSERT_TRUE(archive->RemoveDay("2024/03/05/", &flags_, &skipped_, log_));
  EXPECT_TRUE(log_.Has("Removed 2 directories and 2 files of 1010 bytes"));
  EXPECT_EQ(archive->content().Get(), Recount());
  ASSERT_TRUE(Moved(*archive, "b.txt", 1));  // later moves of this run still land in its slot
  EXPECT_TRUE(PathExists(archive->time_slot_path() + "/a.txt"));
  EXPECT_TRUE(PathExists(archive->time_slot_path() + "/b.txt"));
}

TEST_F(ArchiveTest, RemovedDayTakesItsLogsAndItsLinksGoAsLinks) {
  WriteFile(dir_ / "keep.txt", "keep");
  const std::string slot = ArchiveDir() + "2024/01/05/10 00 00/";
  Put(slot + "f", 1);
  ASSERT_EQ(symlink(dir_.path().c_str(), (slot + "dir link").c_str()), 0);
  ASSERT_EQ(symlink((dir_ / "keep.txt").c_str(), (slot + "file link").c_str()), 0);
  const std::string logs = ArchiveDir() + "Logs/2024-01-0";
  for (const char* day : {"5", "7"}) Put(logs + day + "T10 00 00.txt", 50);
  auto archive = Loaded();
  ASSERT_TRUE(archive->RemoveDay("2024/01/05/", &flags_, &skipped_, log_)) << log_.Joined();
  EXPECT_TRUE(log_.Has("Removed " + logs + "5T10 00 00.txt from the archive"));
  EXPECT_TRUE(PathExists(logs + "7T10 00 00.txt"));
  EXPECT_FALSE(PathExists(ArchiveDir() + "2024"));
  EXPECT_EQ(ReadFile(dir_ / "keep.txt"), "keep");
  EXPECT_EQ(archive->content().Get(), Recount());
}

// A No for the rest of the mirror is written back into the caller's flags.
TEST_F(ArchiveTest, DeclinedRemovalStopsTheShrinkAndKeepsItsScope) {
  Put(ArchiveDir() + "2024/01/05/10 00 00/f", 1000);
  gate_.declined = "Remove day ";
  gate_.on_ask = [](uint16_t* f) {
    EXPECT_NE(*f & kConfirmRemoveDay, 0);
    *f &= ~(kConfirmAsk | kConfirmDirScope | kConfirmDefaultYes);
  };
  uint16_t flags = kConfirmAsk | kConfirmDirScope | kConfirmMirrorScope;
  EXPECT_FALSE(Loaded()->Shrink(TArchiveMeasure::kSize, &flags, &skipped_, 0, 0, log_));
  EXPECT_TRUE(skipped_);
  EXPECT_EQ(flags, kConfirmMirrorScope);
  EXPECT_EQ(gate_.questions, Lines{"Remove day " + ArchiveDir() + "2024/01/05/ from the archive?"});
  EXPECT_TRUE(PathExists(ArchiveDir() + "2024/01/05"));
}

TEST_F(ArchiveTest, ShrinksTenMegabytesBelowAnExceededMaximum) {
  const char* days[] = {"2024/01/05/", "2024/01/07/", "2024/02/01/"};  // 6 MiB each
  const std::tuple<int64_t, int64_t, bool> cases[] = {{18 * kMiB, kNoLimit, false},
                                                      {18 * kMiB - 1, kNoLimit, true},
                                                      {kNoLimit, 18 * kMiB - 1, true}};
  for (const auto& [max_size, max_compressed, shrinks] : cases) {
    ASSERT_TRUE(ClearArchiveInfo(ini_, Mapping(dest_), nullptr));  // days put back: count again
    for (const char* day : days) Put(ArchiveDir() + day + "10 00 00/f", 6 * kMiB);
    Mapping(dest_).mutable_settings().max_archive_size = max_size;
    Mapping(dest_).mutable_settings().max_compressed_archive_size = max_compressed;
    auto archive = Loaded();
    EXPECT_EQ(PathExists(ArchiveDir() + days[0]), !shrinks) << max_size << " " << max_compressed;
    EXPECT_EQ(PathExists(ArchiveDir() + days[1]), !shrinks) << "two days, for the margin";
    EXPECT_TRUE(PathExists(ArchiveDir() + days[2])) << "the newest day goes last";
    EXPECT_EQ(archive->content().Get(), Recount());
  }
}

// Days older than the maximum age in local calendar days go oldest first, by
// the date when the mirror ends; today's running slot stays however old its
// day has become, names that are no dates stay, and a held mirror keeps all.
TEST_F(ArchiveTest, DaysOlderThanTheMaximumAgeGoAtTheEndUnlessHeld) {
  struct Case {
    const char* start;  // the clock when the run began
    const char* end;    // and when it removes
    int max_age;
    bool held;
    Lines days;
    Lines kept;
  };
  const Case cases[] = {
      {"2024-03-05 09:07:30",
       "2024-03-05 23:59:59",
       5,
       false,
       {"2024/02/28/", "2024/02/29/", "2024/03/01/"},
       {"2024/02/29/", "2024/03/01/"}},
      {"2025-03-01 00:00:00",
       "2025-03-01 00:00:00",
       1,
       false,
       {"2025/02/27/", "2025/02/28/"},
       {"2025/02/28/"}},
      {"2024-01-02 10:00:00",
       "2024-01-02 10:00:00",
       1,
       false,
       {"2023/02/30/", "2023/12/30/", "2023/12/31/", "2024/01/01/"},
       {"2023/02/30/", "2024/01/01/"}},
      {"2024-01-02 10:00:00", "2024-01-02 10:00:00", 0, false, {"2020/01/01/"}, {"2020/01/01/"}},
      {"2024-01-02 10:00:00", "2024-01-02 10:00:00", 1, true, {"2023/12/01/"}, {"2023/12/01/"}},
      // A run over midnight days later: its own slot stays, its day's others go.
      {"2024-03-05 09:07:30",
       "2024-03-09 00:30:00",
       2,
       false,
       {"2024/03/05/", "2024/03/07/"},
       {"2024/03/05/", "2024/03/07/"}},
  };
  for (size_t n = 0; n < std::size(cases); ++n) {
    const Case& c = cases[n];
    const std::string dest = dir_ / ("dest " + std::to_string(n) + "/");
    Put(dest + "x", 1);
    for (const std::string& day : c.days) Put(ArchiveDir(dest) + day + "08 00 00/f", 10);
    platform_.SetNow(LocalFileTime(c.start));
    Mapping(dest).mutable_settings().max_archive_age = c.max_age;
    auto archive = Loaded(dest, true);
    ASSERT_TRUE(
        archive->MoveToArchive(TArchiveItem{dest + "x", false, 1, 1}, "", &flags_, nullptr, log_));
    if (c.held) archive->HoldDays();
    platform_.SetNow(LocalFileTime(c.end));
    log_.lines.clear();
    EXPECT_TRUE(archive->RemoveOutlivedDays(&flags_, log_)) << log_.Joined();
    Lines kept;
    for (std::string after = kNoDay, day;
         archive->FindOldestDay(after, &day, log_) && !day.empty();) {
      kept.push_back(after = day);
    }
    const std::string running = archive->time_slot_path().substr(ArchiveDir(dest).size(), 11);
    Lines want = c.kept;
    if (std::ranges::count(want, running) == 0) want.push_back(running);  // the newest
    EXPECT_EQ(kept, want) << n;
    bool removed = false;
    for (const std::string& day : c.days) {
      const bool stays = std::ranges::count(c.kept, day) > 0 && day != running;
      EXPECT_EQ(PathExists(ArchiveDir(dest) + day + "08 00 00/f"), stays) << n << " " << day;
      removed = removed || !stays;
    }
    EXPECT_TRUE(PathExists(archive->time_slot_path() + "/x")) << n;
    EXPECT_EQ(log_.HasPart("Removing day "), removed) << n;
    EXPECT_EQ(log_.HasPart("Kept every day of the archive"), c.held) << n;
    EXPECT_EQ(archive->content().Get(), Recount(dest)) << n;
  }
}

TEST_F(ArchiveTest, ArchiveOfOnlyLogsShrinksOnlyWithMoreFolders) {
  Put(ArchiveDir() + "Logs/2024-01-05T10 00 00.txt", 100);
  Mapping(dest_).mutable_settings().max_archive_size = 5 * kMiB;
  const std::string& key = Mapping(dest_).archive_key();
  int searches = 0;
  platform_.on_call = [&](Op op, const std::string& path) {
    searches += op == Op::kListDir && path == ArchiveDir();
  };
  for (const bool empty_year : {false, true}) {
    if (empty_year) MakeDirs(ArchiveDir() + "2023");
    // Stored counters, so that loading does not walk the archive.
    ASSERT_TRUE(ini_.WriteCounters(key, TCounts{1, empty_year ? 3 : 2, 100, 100}));
    ASSERT_TRUE(ini_.WriteCounters(key + "\\Logs", TCounts{1, 1, 100, 100}));
    searches = 0;
    auto archive = Loaded();
    EXPECT_EQ(searches > 0, empty_year);  // the archive and its logs alone: no search for days
    EXPECT_FALSE(PathExists(ArchiveDir() + "2023"));
    EXPECT_EQ(archive->content().Get(), Recount());
  }
}

// A run that did not close (killed, power loss) leaves a mark that makes the
// next run count the archive; a closed one leaves counters to trust, also
// after a removal that another mirror made later, and so does one cancelled
// before its counters loaded.
TEST_F(ArchiveTest, ArchiveIsCountedAgainOnlyAfterARunThatDidNotClose) {
  Put(ArchiveDir() + "2024/01/05/10 00 00/f", 10);
  Put(ArchiveDir() + "2024/01/04/10 00 00/f", 1);
  const auto run_open = [&] { return ini_.ReadInteger(Mapping(dest_).archive_key(), "RunOpen", 0); };
  {
    // Marked before the first change, and a day removed in the run leaves
    // it open until the run closes.
    auto archive = Opened();
    EXPECT_EQ(run_open(), 0);
    ASSERT_TRUE(archive->RemoveDay("2024/01/04/", &flags_, &skipped_, log_));
    EXPECT_EQ(run_open(), 1);
    ASSERT_TRUE(Moved(*archive, "a.txt", 42));
  }
  for (const bool closed_before : {false, true}) {
    log_.lines.clear();
    auto archive = Opened();
    EXPECT_EQ(log_.Starting("Scanning archive " + ArchiveDir()).size(), closed_before ? 0u : 1u);
    EXPECT_EQ(archive->content().Get(), Recount());
    archive->CloseArchive();
    EXPECT_TRUE(!closed_before || archive->RemoveDay("2024/01/05/", &flags_, &skipped_, log_));
  }
  EXPECT_TRUE(
      log_.Has("The registry reports the archive with 9 directories and 2 files of 52 bytes"));
  TCounts stored;
  ASSERT_TRUE(ini_.ReadCounters(Mapping(dest_).archive_key(), &stored));
  EXPECT_EQ(stored, Recount());
  EXPECT_EQ(run_open(), 0);
  {
    TArchive cancelled(platform_, ini_, Mapping(dest_), disks_.GetDestDisk(dest_, 0, log_), gate_);
    ASSERT_TRUE(cancelled.OpenArchive(&flags_, log_));
    cancelled.CloseArchive();
  }
  log_.lines.clear();
  Opened()->CloseArchive();
  EXPECT_EQ(log_.Starting("Scanning archive "), Lines{});
}

// Only the counters of the archive and of its logs go, the limits and the
// other values stay (the scan tests show the next scan counting again).
TEST_F(ArchiveTest, ClearArchiveInfoDeletesOnlyTheCountersOfTheArchiveAndItsLogs) {
  const std::string key = Mapping(dest_).archive_key();
  std::vector<std::tuple<std::string, std::string, bool>> values;  // key, name, deleted
  for (const std::string& at : {key, key + "\\Logs"}) {
    ASSERT_TRUE(ini_.WriteCounters(at, TCounts{1, 1, 1, 1}));
    for (const char* name : {"NumberOfFiles", "NumberOfDirs", "Size", "CompressedSize"})
      values.emplace_back(at, name, true);
  }
  for (const char* name :
       {"MaxArchiveSize", "MaxCompressedArchiveSize", "Version", "LastTimeSlot"}) {
    ASSERT_TRUE(ini_.Write64(key, name, 7));
    values.emplace_back(key, name, false);
  }
  std::string error;
  ASSERT_TRUE(ClearArchiveInfo(ini_, Mapping(dest_), &error)) << error;
  for (const auto& [at, name, deleted] : values)
    EXPECT_EQ(ini_.ValueExists(at, name), !deleted) << at << " " << name;
}

// Destination disks.

TEST_F(ArchiveTest, ShortageIsReportedOnceAndDecidesTheRestart) {
  TDestDisk& disk = disks_.GetDestDisk(dest_, 0, log_);
  // Destinations on one drive share it, with the larger reservation.
  EXPECT_EQ(&disks_.GetDestDisk(dir_ / "not yet/made/", 1024, log_), &disk);
  platform_.SetFreeSpace(1000 + 1024, kGiB);
  EXPECT_FALSE(disk.MakeSpace(&flags_, log_, 2000000, 0));
  EXPECT_FALSE(disk.MakeSpace(&flags_, log_, 2000000, 0));
  EXPECT_EQ(
      log_.Starting("Not enough space on "),
      Lines{"Not enough space on " + disk.root() + ". Continuing scan to collect free space."});
  EXPECT_EQ(log_.ErrorCount(), 0);
  EXPECT_FALSE(disks_.AnyDiskCanRestart(log_));
  EXPECT_TRUE(log_.Has("Error: Destination disk " + disk.root() + " is full."));
  EXPECT_TRUE(
      log_.Has("Need 2,000,000 free bytes, found 2,024 free bytes and the mirror "
               "specifies 1.00 KB to keep free"));
  platform_.SetFreeSpace(2000000 + 1024, kGiB);  // exactly enough
  EXPECT_TRUE(disks_.AnyDiskCanRestart(log_));
  EXPECT_EQ(log_.lines.back(),
            "Found enough free space on " + disk.root() + " to restart the scanner");
  platform_.SetFreeSpace(1000, kGiB);  // less than is kept free: none for the mirror
  EXPECT_TRUE(disk.RefreshFreeBytes(true, log_));
  EXPECT_EQ(log_.lines.back(), "Destination drive " + disk.root() +
                                   " has 1000 bytes of 1.0 GB free, leaving 0 bytes free for "
                                   "this mirror");
  EXPECT_EQ(disk.free_bytes(), 0);
  platform_.AddFault(Fault{Op::kFreeSpace, "", 0, EIO, 1});
  EXPECT_FALSE(disk.RefreshFreeBytes(false, log_));  // -1: the mirror refuses to start
  EXPECT_EQ(disk.free_bytes(), -1);
}

// The drive gives up days oldest first, whichever mirror they belong to, on
// equal days the archive created first; but no day of an archive whose
// mirror holds a mass change or whose destination another scan holds,
// however old. The running mirror's own lock is no obstacle.
TEST_F(ArchiveTest, TheDriveGivesUpTheOldestDaysOfTheArchivesThatMay) {
  const std::string dest_b = dir_ / "dest b/";
  const std::string a = ArchiveDir() + "2024/01/", b = ArchiveDir(dest_b) + "2024/01/";
  // What keeps b's days, arranged (answering the lock that does, if one
  // does); the days removed to make the room.
  const std::pair<std::function<std::unique_ptr<DirLock>()>, Lines> kCases[] = {
      {[] { return std::unique_ptr<DirLock>(); }, {a + "03/", b + "03/"}},
      {[&] {
         EXPECT_TRUE(WriteMassChangeHold(ini_, Mapping(dest_b).key(), "3 of 4 files"));
         return std::unique_ptr<DirLock>();
       },
       {a + "03/", a + "07/"}},
      {[&] {
         std::unique_ptr<DirLock> other;
         LockHolder holder;
         EXPECT_TRUE(DefaultPlatform().LockDir(dest_b, kLockFileName, &other, &holder).ok());
         return other;
       },
       {a + "03/", a + "07/"}}};
  for (const auto& [keep, removed] : kCases) {
    for (const std::string& dest : {dest_, dest_b}) {  // days put back: count again
      ASSERT_TRUE(ClearArchiveInfo(ini_, Mapping(dest), nullptr));
    }
    for (const std::string& day : {a + "03", a + "07", b + "03", b + "05"}) {
      Put(day + "/s/f", 6 * kMiB);
    }
    auto archive_a = Loaded();
    auto archive_b = Loaded(dest_b);
    ASSERT_TRUE(archive_a->lock().Take(log_));
    const std::unique_ptr<DirLock> keeper = keep();
    SetCapacity(31 * kMiB);
    log_.lines.clear();
    // 7 MiB free, 15 MiB wanted: two days go.
    EXPECT_TRUE(disks_.GetDestDisk(dest_, 0, log_).MakeSpace(&flags_, log_, 15 * kMiB, 0));
    Lines removing;
    for (const std::string& day : removed) removing.push_back("Removing day " + day);
    EXPECT_EQ(log_.Starting("Removing day "), removing);
    EXPECT_EQ(archive_a->content().Get(), Recount());
    EXPECT_EQ(archive_b->content().Get(), Recount(dest_b));
    (void)ini_.Unset(Mapping(dest_b).key(), "MassChangeHold");
  }
}

// Days go only when their counters say that removing them can make the
// room; the counters of an archive whose mirror has not run yet are the
// stored ones.
TEST_F(ArchiveTest, DaysGoOnlyWhenTheirCountersCanMakeTheRoom) {
  const std::string dest_b = dir_ / "dest b/";
  Put(ArchiveDir() + "2024/01/05/s/f", 6 * kMiB);
  Put(ArchiveDir(dest_b) + "2024/01/03/s/f", 6 * kMiB);
  Loaded(dest_b)->CloseArchive();  // stores its counters
  TArchive not_loaded(platform_, ini_, Mapping(dest_b), disks_.GetDestDisk(dest_b, 0, log_), gate_);
  auto archive = Loaded();
  SetCapacity(13 * kMiB);
  TDestDisk& disk = disks_.GetDestDisk(dest_, 0, log_);

  EXPECT_FALSE(disk.MakeSpace(&flags_, log_, 14 * kMiB, 0));
  EXPECT_EQ(log_.Starting("Removing day "), Lines());
  EXPECT_EQ(log_.Starting("Not enough space on ").size(), 1u);

  EXPECT_TRUE(disk.MakeSpace(&flags_, log_, 12 * kMiB, 0)) << log_.Joined();
  EXPECT_EQ(log_.Starting("Removing day "),
            (Lines{"Removing day " + ArchiveDir(dest_b) + "2024/01/03/",
                   "Removing day " + ArchiveDir() + "2024/01/05/"}));
  EXPECT_EQ(log_.ErrorCount(), 0);
}

// A day whose removal frees much less than it was counted with (here its
// file has another name outside the archive) stops the removals of the
// drive: the counters cannot tell any more what removing gains.
TEST_F(ArchiveTest, ARemovalThatFreesLittleStopsTheRemovals) {
  ScopedMount mount(dir_ / "mnt", "tmpfs", "size=32m");
  SKIP_UNLESS_MOUNTED(mount);
  dest_ = mount.dir + "/dest/";
  const std::string days = ArchiveDir() + "2024/01/0";
  MakeDirs(days + "5");
  MakeDirs(days + "7");
  WriteFile(dest_ + "still used.bin", std::string(8 * kMiB, 'u'));
  ASSERT_EQ(link((dest_ + "still used.bin").c_str(), (days + "5/still used.bin").c_str()), 0);
  WriteFile(days + "7/f", std::string(8 * kMiB, 'o'));
  auto archive = Opened();
  TDestDisk& disk = disks_.GetDestDisk(dest_, 0, log_);

  for (int call = 0; call < 2; ++call) {
    EXPECT_FALSE(disk.MakeSpace(&flags_, log_, 20 * kMiB, 0));
  }
  EXPECT_EQ(log_.Starting("Removing day "), Lines{"Removing day " + days + "5/"});
  EXPECT_EQ(log_.Starting("Stopped removing archive days on "),
            Lines{"Stopped removing archive days on " + disk.root() +
                  ": the last one freed 0 bytes of the 8.0 MB it was counted with"});
  EXPECT_TRUE(PathExists(days + "7/f"));
  EXPECT_EQ(archive->content().Get(), Recount());
}

TEST_F(ArchiveTest, FullDiskWhileArchivingMakesSpaceAndRetries) {
  for (const char* day : {"05", "07"}) Put(ArchiveDir() + "2024/01/" + day + "/s/f", 6 * kMiB);
  auto archive = Opened();
  SetCapacity(12 * kMiB + 1000);
  platform_.AddFault(Fault{Op::kMove, dest_ + "a.txt", 0, ENOSPC, 1});
  ASSERT_TRUE(Moved(*archive, "a.txt", 100)) << log_.Joined();
  EXPECT_TRUE(PathExists(archive->time_slot_path() + "/a.txt"));
  EXPECT_EQ(log_.Starting("Removing day ").size(), 2u);  // the needed bytes and 10 MiB more
  EXPECT_EQ(log_.ErrorCount(), 0);
  EXPECT_EQ(archive->content().Get(), Recount());
}

// A full file system with bytes to spare is out of inodes, and a quota is
// the writing user's share whatever the drive has free: removing archive
// days helps neither, so each is said once and every day stays.
TEST_F(ArchiveTest, OutOfInodesOrQuotaIsSaidOnceAndKeepsEveryDay) {
  const std::string root = disks_.GetDestDisk(dest_, 0, log_).root();
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  const std::string user_text = std::string(user->pw_name) + " (" + std::to_string(getuid()) + ")";
  const std::tuple<int, int64_t, std::string> kCases[] = {
      {ENOSPC, kGiB,
       "Error: Drive " + root +
           " is out of inodes (no free file entries) although 1.0 GB are free."},
      {EDQUOT, 0,
       "Error: The disk quota of user " + user_text + " on drive " + root + " is used up."},
  };
  for (const auto& [error, free_bytes, line] : kCases) {
    SCOPED_TRACE(error);
    Put(ArchiveDir() + "2024/01/05/10 00 00/old", 10);
    TDestDisks disks(platform_);
    TArchive archive(platform_, ini_, Mapping(dest_), disks.GetDestDisk(dest_, 0, log_), gate_);
    ASSERT_TRUE(archive.OpenArchive(&flags_, log_));
    ASSERT_TRUE(archive.LoadInfo(nullptr, &flags_, true, log_));
    platform_.SetFreeSpace(free_bytes, 2 * kGiB);
    platform_.AddFault(Fault{Op::kCreateDir, "09 07 30", 0, error});
    log_.lines.clear();
    EXPECT_FALSE(Moved(archive, "a.txt", 10));
    EXPECT_FALSE(Moved(archive, "b.txt", 10));
    EXPECT_TRUE(PathExists(dest_ + "a.txt") && PathExists(dest_ + "b.txt"));
    EXPECT_EQ(log_.Starting("Error"), Lines{line});
    EXPECT_TRUE(PathExists(ArchiveDir() + "2024/01/05/10 00 00/old"));
    platform_.ClearFaults();
  }
}

}  // namespace
}  // namespace qv::testing
