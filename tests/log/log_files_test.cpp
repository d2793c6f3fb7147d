// The log buffer's saving into log files, and the log directory of an archive.
#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "config/qv_ini_file.h"
#include "config/settings_db.h"
#include "filesys/testing/fault_platform.h"
#include "log/log_buffer.h"
#include "log/log_dir.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using testing::ReadFile;
using testing::WriteFile;
using Lines = std::vector<std::string>;

class LogFilesTest : public ::testing::Test {
 protected:
  LogFilesTest() {
    log_.set_callbacks({nullptr, [this](const std::string& piece) { shown_ += piece; },
                        [this] { shown_ = log_.text(); }, nullptr,
                        [this](const std::string& s) { boxes_.push_back(s); }});
  }
  void AddLines(int count) {
    for (int i = 0; i < count; ++i) log_.AddLine("line " + std::to_string(i), true);
  }

  testing::ScopedTempDir dir_;
  FaultPlatform platform_{DefaultPlatform()};
  TQVIniFile ini_{platform_, dir_ / "settings.db"};
  TLog log_{platform_, ini_};
  std::string file_ = dir_ / "2024-03-05T09 07 30.txt";
  Lines boxes_;
  std::string shown_;  // what a view following the callbacks shows
  std::string archive_ = dir_ / "Quorvane archive/";
  std::string logs_ = archive_ + "Logs/";
  TLogDir log_dir_{platform_, ini_, archive_, "", "Software\\KZ\\Quorvane\\Mappings\\d\\Archive"};
  testing::RecordingLogger logger_;
};

TEST_F(LogFilesTest, OverflowAtAThousandLinesSavesAndLaterSavesAppend) {
  AddLines(1001);                     // without a file name the full buffer is only emptied
  log_.AddLine("a\r\nb\x1b", false);  // one call adds at most one line break
  EXPECT_EQ(log_.text(), "\nline 1000a b\\x1B");
  log_.ClearLog();
  log_.SetLogFile(file_);
  AddLines(1000);
  EXPECT_FALSE(testing::PathExists(file_));
  const std::string first = log_.text();
  log_.AddLine("next", true);
  const std::string written = "\nLog written to " + file_ + "\nnext";
  EXPECT_EQ(ReadFile(file_), first);
  EXPECT_EQ(log_.text(), written);
  EXPECT_EQ(shown_, written);
  log_.SaveLog(false);
  log_.SaveLog(false);
  const std::string appended = "\nLog appended to " + file_;
  EXPECT_EQ(ReadFile(file_), first + written + appended);
  EXPECT_EQ(log_.text(), written + appended + appended);
  EXPECT_EQ(TLog(platform_, ini_).last_log(), file_);
}

// A scan stores the last log's name once, with its end; a save outside a
// scan stores it at once again.
TEST_F(LogFilesTest, DeferredLastLogIsStoredOnce) {
  log_.DeferLastLog();
  log_.SetLogFile(file_);
  log_.SaveLog(false);
  log_.SaveLog(false);
  EXPECT_EQ(log_.last_log(), file_);
  EXPECT_EQ(TLog(platform_, ini_).last_log(), "");
  const int64_t commits = ini_.db().commits();
  log_.StoreLastLog();
  log_.StoreLastLog();
  EXPECT_EQ(ini_.db().commits() - commits, 1);
  EXPECT_EQ(TLog(platform_, ini_).last_log(), file_);
  const std::string other = dir_ / "other.txt";
  log_.SetLogFile(other);
  log_.SaveLog(false);
  EXPECT_EQ(TLog(platform_, ini_).last_log(), other);
}

// A save that fails never loses text that was not written; it is written,
// once, by the next save that succeeds. The failure is reported once per file.
TEST_F(LogFilesTest, FailedSaveKeepsUnsavedText) {
  log_.SetLogFile(file_);
  AddLines(10);
  log_.SaveLog(false);
  const std::string first_save = ReadFile(file_);
  platform_.AddFault({Op::kAppendFile, "", 0, ENOSPC});
  AddLines(989);
  const std::string unsaved = log_.text().substr(first_save.size());
  log_.AddLine("after", true);  // overflow save fails
  EXPECT_EQ(log_.text(), unsaved + "\nError 28: Failed to save log file " + file_ +
                             ". No space left on device\nafter");
  EXPECT_EQ(shown_, log_.text());
  AddLines(500);
  log_.SaveLog(false);
  EXPECT_EQ(boxes_, Lines{"No space left on device (" + file_ + ")"});
  platform_.ClearFaults();
  log_.SetLogFile(file_ + "/below a file.txt");  // another failing file is reported again
  log_.SaveLog(false);
  EXPECT_EQ(boxes_.size(), 2u);
  log_.SetLogFile(file_);
  const std::string pending = log_.text();
  log_.SaveLog(false);
  EXPECT_EQ(ReadFile(file_), first_save + pending);
}

TEST_F(LogFilesTest, FindLastLog) {
  EXPECT_EQ(log_.FindLastLog(dir_.path()), "");
  EXPECT_EQ(log_.text(), "\nError 2: Could not get directory listing of " + logs_ +
                             ". No such file or directory");
  testing::MakeDirs(logs_ + "2099-01-01T00 00 00.txt");  // a directory is no log
  for (const char* name : {"2024-03-05T09 07 30.txt", "2024-03-06T08 00 00.txt", "2024-03-05T23"}) {
    WriteFile(logs_ + name, "");
  }
  EXPECT_EQ(log_.FindLastLog(dir_.path()), logs_ + "2024-03-06T08 00 00.txt");
}

TEST_F(LogFilesTest, LogFileNamesSortByTime) {
  const std::pair<const char*, const char*> cases[] = {
      {"2024/03/05/09 07 30", "2024-03-05T09 07 30.txt"},
      {"2024/03/05/09 07 30 2", "2024-03-05T09 07 30 2.txt"},  // second run in the same second
      {"2024/03/05/", "2024-03-05T.txt"},
      {"2024/03", "2024-03.txt"},
  };
  for (const auto& [slot, file] : cases) EXPECT_EQ(log_dir_.LogFileName(slot), logs_ + file);
  EXPECT_FALSE(log_dir_.CreateLogDir(logger_));  // the archive directory is missing
  EXPECT_EQ(logger_.lines, Lines{"Error 2: Could not create log directory " + logs_ +
                                 ". No such file or directory"});
}

TEST_F(LogFilesTest, RemoveUpToNeverRemovesTodaysLogNorFollowsLinks) {
  testing::MakeDirs(logs_ + "2024-01-01 old/sub");  // directories are never removed
  testing::MakeDirs(dir_ / "target");
  WriteFile(dir_ / "target/keep", "x");
  ASSERT_EQ(symlink((dir_ / "target").c_str(), (logs_ + "2024-03-01T1").c_str()), 0);
  ASSERT_EQ(symlink((dir_ / "target/keep").c_str(), (logs_ + "2024-03-01T2.txt").c_str()), 0);
  for (const char* day : {"03T08", "04T08", "05T08", "05T09", "06T01"}) {
    WriteFile(logs_ + "2024-03-" + day + ".txt", "0123456789");
  }
  const std::string today = "2024/03/06/";
  log_dir_.RemoveUpTo("2024/02/29/", today, logger_, false);  // nothing that old
  log_dir_.RemoveUpTo("2024/03/04/", today, logger_, false);  // before today: the day itself goes
  Lines removed;
  for (const char* name : {"01T1", "01T2.txt", "03T08.txt", "04T08.txt"}) {
    removed.push_back("Removed " + logs_ + "2024-03-" + name + " from the archive");
  }
  EXPECT_EQ(logger_.lines, removed);
  platform_.AddFault({Op::kDeleteFile, "05T08", 0, EACCES});
  log_dir_.RemoveUpTo(today, today, logger_, false);  // today: only the days before
  EXPECT_TRUE(logger_.Has("Removed " + logs_ + "2024-03-05T09.txt from the archive"));
  EXPECT_TRUE(logger_.HasPart("Could not delete " + logs_ + "2024-03-05T08.txt"));
  EXPECT_EQ(ReadFile(logs_ + "2024-03-06T01.txt"), "0123456789");
  EXPECT_EQ(ReadFile(dir_ / "target/keep"), "x");
  // What stays, counted as a rescan counts it: the two logs and three directories.
  EXPECT_EQ(log_dir_.kept(), (TCounts{2, 3, 20, 20}));
  EXPECT_EQ(log_dir_.removed().files + log_dir_.removed().dirs, 5);
}

}  // namespace
}  // namespace qv
