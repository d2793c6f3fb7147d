#include "log/log_dir.h"

#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "config/qv_ini_file.h"
#include "filesys/testing/fault_platform.h"
#include "log/logger.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using testing::MakeDirs;
using testing::PathExists;
using testing::RecordingLogger;
using testing::WriteFile;

constexpr char kArchiveKey[] = "Software\\KZ\\Quorvane\\Mappings\\d\\Archive";

class LogDirTest : public ::testing::Test {
 protected:
  std::string Logs() const { return archive_ + "Logs/"; }
  // Log files of 3 to 6 March 2024 (today: the 6th), 10 bytes each.
  void MakeDays() {
    MakeDirs(Logs());
    for (const char* day : {"03T08 00 00", "04T08 00 00", "05T08 00 00", "05T09 00 00", "06T01"}) {
      WriteFile(Logs() + "2024-03-" + day + ".txt", "0123456789");
    }
  }

  testing::ScopedTempDir dir_;
  FaultPlatform platform_{DefaultPlatform()};
  TQVIniFile ini_{platform_, dir_ / "settings.db"};
  std::string archive_ = dir_ / "Quorvane archive/";
  TLogDir log_dir_{platform_, ini_, archive_, "Software\\KZ\\Quorvane\\Mappings\\d", kArchiveKey};
  RecordingLogger logger_;
};

TEST_F(LogDirTest, LogFileNamesSortByTime) {
  const struct {
    const char* slot;
    const char* file;
  } cases[] = {
      {"2024/03/05/09 07 30", "2024-03-05T09 07 30.txt"},
      {"2024/03/05/09 07 30 2", "2024-03-05T09 07 30 2.txt"},  // second run in the same second
      {"2024/03/05/09/07", "2024-03-05T09 07.txt"},
      {"2024/03/05/", "2024-03-05T.txt"},
      {"2024/03", "2024-03.txt"},
      {"", ".txt"},
  };
  EXPECT_EQ(log_dir_.log_dir(), Logs());
  for (const auto& c : cases) EXPECT_EQ(log_dir_.LogFileName(c.slot), Logs() + c.file) << c.slot;
}

TEST_F(LogDirTest, CreateLogDir) {
  EXPECT_FALSE(log_dir_.CreateLogDir(logger_));  // the archive directory is missing
  EXPECT_EQ(logger_.lines.back(), "Error " + std::to_string(ENOENT) +
                                      ": Could not create log directory " + Logs() + ". " +
                                      SystemMessage(ENOENT));
  MakeDirs(archive_);
  EXPECT_TRUE(log_dir_.CreateLogDir(logger_));
  EXPECT_TRUE(log_dir_.CreateLogDir(logger_));
  EXPECT_EQ(logger_.ErrorCount(), 1);
  rmdir(Logs().c_str());
  WriteFile(archive_ + "Logs", "not a directory");
  EXPECT_FALSE(log_dir_.CreateLogDir(logger_));
  EXPECT_EQ(logger_.ErrorCount(), 2);
}

TEST_F(LogDirTest, RescanCountsAndStoresTheLogDirectory) {
  MakeDays();
  MakeDirs(Logs() + "sub");
  WriteFile(Logs() + "sub/x", "abc");
  // Sparse: one MiB long, nothing allocated.
  WriteFile(Logs() + "sparse", "");
  ASSERT_EQ(truncate((Logs() + "sparse").c_str(), 1 << 20), 0);
  int64_t items = 0;
  ASSERT_TRUE(log_dir_.Rescan(&items, false, logger_));
  const TCounts plain{7, 2, 53 + (1 << 20), 53 + (1 << 20)};
  EXPECT_EQ(log_dir_.kept(), plain);
  EXPECT_EQ(items, 9);  // two directories walked, seven files
  ASSERT_TRUE(log_dir_.Rescan(nullptr, true, logger_));
  EXPECT_LT(log_dir_.kept().compressed_size, 1 << 20);

  TLogDir reloaded(platform_, ini_, archive_, "", kArchiveKey);
  reloaded.LoadInfo();
  EXPECT_EQ(reloaded.kept(), log_dir_.kept());
  EXPECT_EQ(reloaded.settings_key(), std::string(kArchiveKey) + "\\Logs");
  ASSERT_TRUE(ini_.Unset(reloaded.settings_key(), "CompressedSize"));
  reloaded.LoadInfo();
  EXPECT_EQ(reloaded.kept(), TCounts());
}

TEST_F(LogDirTest, RescanOfAMissingDirectoryFails) {
  ASSERT_TRUE(ini_.WriteCounters(log_dir_.settings_key(), TCounts{1, 1, 1, 1}));
  EXPECT_FALSE(log_dir_.Rescan(nullptr, false, logger_));
  EXPECT_TRUE(logger_.HasPart("Could not read file attributes of " + Logs()));
  TCounts stored;
  ini_.ReadCounters(log_dir_.settings_key(), &stored);
  EXPECT_EQ(stored, TCounts());
}

TEST_F(LogDirTest, RemoveUpToKeepsTodaysLog) {
  const struct {
    const char* removed_day;
    std::vector<std::string> gone;  // day part of the removed files
  } cases[] = {
      {"2024/03/02/", {}},
      {"2024/03/04/", {"03", "04"}},              // before today: the day itself goes
      {"2024/03/06/", {"03", "04", "05", "05"}},  // today: only older days
      {"2024/03/07/", {"03", "04", "05", "05"}},
  };
  for (const auto& c : cases) {
    MakeDays();
    RecordingLogger logger;
    TLogDir log_dir(platform_, ini_, archive_, "", kArchiveKey);
    log_dir.RemoveUpTo(c.removed_day, "2024/03/06/", logger, false);
    ASSERT_EQ(logger.lines.size(), c.gone.size()) << c.removed_day << "\n" << logger.Joined();
    for (size_t i = 0; i < c.gone.size(); ++i) {
      EXPECT_TRUE(logger.lines[i].starts_with("Removed " + Logs() + "2024-03-" + c.gone[i]));
      EXPECT_TRUE(logger.lines[i].ends_with(".txt from the archive"));
    }
    const int gone = static_cast<int>(c.gone.size());
    EXPECT_EQ(log_dir.removed(), (TCounts{gone, 0, 10 * gone, 10 * gone})) << c.removed_day;
    EXPECT_EQ(log_dir.kept(), (TCounts{5 - gone, 1, 50 - 10 * gone, 50 - 10 * gone}));
    EXPECT_TRUE(PathExists(Logs() + "2024-03-06T01.txt"));
  }
}

TEST_F(LogDirTest, KeptCountersAfterRemovalMatchARescan) {
  MakeDays();
  MakeDirs(Logs() + "2024-01-01 old/sub");
  WriteFile(Logs() + "2024-01-01 old/sub/f", "12345");
  log_dir_.RemoveUpTo("2024/03/04/", "2024/03/06/", logger_, false);
  const TCounts after_removal = log_dir_.kept();
  ASSERT_TRUE(log_dir_.Rescan(nullptr, false, logger_));
  EXPECT_EQ(after_removal, log_dir_.kept());
  EXPECT_TRUE(PathExists(Logs() + "2024-01-01 old/sub/f"));  // directories are never removed
}

TEST_F(LogDirTest, FilesThatStayAreKept) {
  MakeDays();
  platform_.AddFault({Op::kDeleteFile, "03T08", 0, EACCES});
  log_dir_.RemoveUpTo("2024/03/04/", "2024/03/06/", logger_, false);
  EXPECT_EQ(log_dir_.kept(), (TCounts{4, 1, 40, 40}));
  EXPECT_TRUE(logger_.HasPart("Could not delete " + Logs() + "2024-03-03T08 00 00.txt"));

  logger_.terminated = true;  // CheckSuspend answers false: nothing more goes
  log_dir_.RemoveUpTo("2024/03/06/", "2024/03/06/", logger_, false);
  EXPECT_EQ(log_dir_.kept(), (TCounts{4, 1, 40, 40}));

  platform_.AddFault({Op::kListDir, "Logs", 0, EIO});
  log_dir_.RemoveUpTo("2024/03/06/", "2024/03/06/", logger_, false);
  EXPECT_EQ(logger_.lines.back(), "Error " + std::to_string(EIO) +
                                      ": Could not get directory listing of " + Logs() + ". " +
                                      SystemMessage(EIO));
  EXPECT_EQ(log_dir_.kept(), (TCounts{4, 1, 40, 40}));
}

TEST_F(LogDirTest, LinksAreRemovedAsLinks) {
  MakeDirs(Logs());
  MakeDirs(dir_ / "target dir");
  WriteFile(dir_ / "target dir/keep", "x");
  WriteFile(dir_ / "target", "kept");
  ASSERT_EQ(symlink((dir_ / "target").c_str(), (Logs() + "2024-03-01T1.txt").c_str()), 0);
  ASSERT_EQ(symlink((dir_ / "target dir").c_str(), (Logs() + "2024-03-01T2").c_str()), 0);
  log_dir_.RemoveUpTo("2024/03/01/", "2024/03/06/", logger_, false);
  EXPECT_FALSE(PathExists(Logs() + "2024-03-01T1.txt"));
  EXPECT_FALSE(PathExists(Logs() + "2024-03-01T2"));
  EXPECT_EQ(testing::ReadFile(dir_ / "target"), "kept");
  EXPECT_TRUE(PathExists(dir_ / "target dir/keep"));
  EXPECT_EQ(log_dir_.removed().files + log_dir_.removed().dirs, 2);
}

}  // namespace
}  // namespace qv
