#include "log/log_buffer.h"

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "filesys/testing/fault_platform.h"
#include "log/logger.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using testing::MakeDirs;
using testing::PathExists;
using testing::ReadFile;

std::string ErrorText(int code, const std::string& message_and_separator) {
  return "Error " + std::to_string(code) + ": " + message_and_separator + SystemMessage(code);
}

class LogBufferTest : public ::testing::Test {
 protected:
  LogBufferTest() {
    log_.set_callbacks({[this](const std::string& s) { statuses_.push_back(s); },
                        [this](const std::string& piece) { shown_ += piece; },
                        [this] { shown_ = log_.text(); }, [this] { ++saved_; },
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
  std::vector<std::string> statuses_;
  std::vector<std::string> boxes_;
  std::string shown_;  // what a view following the callbacks shows
  int saved_ = 0;
};

TEST_F(LogBufferTest, AddLineAddsAtMostOneLineBreak) {
  const struct {
    std::vector<std::pair<std::string, bool>> calls;
    std::string text;
    int lines;
  } cases[] = {
      {{{"a", true}}, "\na", 1},
      {{{"a\nb", true}}, "\nab", 1},
      {{{"a\r\nb\r", true}}, "\na b ", 1},
      {{{"a", true}, {"b", false}, {"c", true}}, "\nab\nc", 2},
      {{{"x", false}}, "x", 0},
      {{{"\x1b[2J\tf\xff", true}}, "\n\\x1B[2J\\x09f\xff", 1},
  };
  for (const auto& c : cases) {
    log_.ClearLog();
    for (const auto& [text, new_line] : c.calls) log_.AddLine(text, new_line);
    EXPECT_EQ(log_.text(), c.text);
    EXPECT_EQ(log_.line_count(), c.lines);
    EXPECT_EQ(shown_, c.text);
  }
}

TEST_F(LogBufferTest, ErrorLineSeparators) {
  const struct {
    const char* message;
    const char* separated;
  } cases[] = {
      {"Could not open x", "Could not open x. "},
      {"Done.", "Done. "},
      {"Really?", "Really? "},
      {"(x)", "(x) "},
      {"", " "},
      {"a:", "a:. "},
  };
  for (const auto& c : cases) {
    log_.ClearLog();
    log_.LogErrorLine(ENOENT, c.message);
    EXPECT_EQ(log_.text(), "\n" + ErrorText(ENOENT, c.separated));
  }
}

TEST_F(LogBufferTest, SavingAppendsOnlyWhatIsNew) {
  log_.SetLogFile(file_);
  log_.AddLine("a", true);
  log_.SaveLog(false);
  EXPECT_EQ(ReadFile(file_), "\na");
  EXPECT_EQ(log_.text(), "\na\nLog written to " + file_);
  log_.SaveLog(false);
  log_.SaveLog(false);
  EXPECT_EQ(ReadFile(file_), "\na\nLog written to " + file_ + "\nLog appended to " + file_);
  const std::string writing = "Writing log to " + file_;
  EXPECT_EQ(statuses_, (std::vector<std::string>{writing, "", writing, "", writing, ""}));
  EXPECT_EQ(saved_, 3);
  EXPECT_EQ(ini_.ReadString(kBaseKey, "LastLog"), file_);
  EXPECT_EQ(TLog(platform_, ini_).last_log(), file_);

  log_.ClearLog();  // nothing saved is written again
  log_.AddLine("b", true);
  log_.SaveLog(true);
  EXPECT_TRUE(ReadFile(file_).ends_with("\nLog appended to " + file_ + "\nb"));
  EXPECT_EQ(log_.text(), "\nLog appended to " + file_);
}

TEST_F(LogBufferTest, OverflowSavesIntoTheSameFile) {
  log_.SetLogFile(file_);
  AddLines(999);
  log_.AddLine("line 999", true);
  EXPECT_FALSE(PathExists(file_));
  std::string expected = log_.text();
  log_.AddLine("next", true);
  EXPECT_EQ(ReadFile(file_), expected);
  EXPECT_EQ(log_.text(), "\nLog written to " + file_ + "\nnext");
  EXPECT_EQ(shown_, log_.text());
  AddLines(998);
  const std::string second = log_.text();
  log_.AddLine("last", true);
  EXPECT_EQ(ReadFile(file_), expected + second);
  EXPECT_EQ(log_.text(), "\nLog appended to " + file_ + "\nlast");
}

TEST_F(LogBufferTest, OverflowWithoutFileNameEmpties) {
  AddLines(1001);
  EXPECT_EQ(log_.text(), "\nline 1000");
  EXPECT_TRUE(statuses_.empty());
  EXPECT_EQ(saved_, 0);
}

TEST_F(LogBufferTest, FindLastLog) {
  const std::string logs = dir_ / "Quorvane archive/Logs/";
  EXPECT_EQ(log_.FindLastLog(dir_.path()), "");
  EXPECT_EQ(log_.text(),
            "\n" + ErrorText(ENOENT, "Could not get directory listing of " + logs + ". "));
  EXPECT_EQ(statuses_, (std::vector<std::string>{logs, ""}));
  log_.ClearLog();
  MakeDirs(logs + "2099-01-01T00 00 00.txt");
  EXPECT_EQ(log_.FindLastLog(dir_.path()), "");
  EXPECT_EQ(log_.text(), "");
  for (const char* name : {"2024-03-05T09 07 30.txt", "2024-03-06T08 00 00.txt", "2024-03-05T23"}) {
    testing::WriteFile(logs + name, "");
  }
  EXPECT_EQ(log_.FindLastLog(dir_.path()), logs + "2024-03-06T08 00 00.txt");
}

// A save that fails never loses text that was not written; it is written,
// once, by the next save that succeeds. The failure is reported once per file.
TEST_F(LogBufferTest, FailedSaveKeepsUnsavedText) {
  log_.SetLogFile(file_);
  AddLines(10);
  log_.SaveLog(false);
  const std::string first_save = ReadFile(file_);
  platform_.AddFault({Op::kAppendFile, "", 0, ENOSPC});
  AddLines(989);
  const std::string unsaved = log_.text().substr(first_save.size());
  log_.AddLine("after", true);  // overflow save fails
  const std::string error = "\n" + ErrorText(ENOSPC, "Failed to save log file " + file_ + ". ");
  EXPECT_EQ(log_.text(), unsaved + error + "\nafter");
  EXPECT_EQ(shown_, log_.text());
  EXPECT_EQ(boxes_, std::vector<std::string>{SystemMessage(ENOSPC) + " (" + file_ + ")"});
  AddLines(500);  // no retry for every line
  log_.SaveLog(false);
  EXPECT_EQ(platform_.Calls(Op::kAppendFile), 3);
  EXPECT_EQ(boxes_.size(), 1u);

  platform_.ClearFaults();
  log_.SetLogFile(file_ + "/below a file.txt");  // another failing file is reported again
  log_.SaveLog(false);
  EXPECT_EQ(boxes_.size(), 2u);
  log_.SetLogFile(file_);
  const std::string pending = log_.text();
  log_.SaveLog(false);
  EXPECT_EQ(ReadFile(file_), first_save + pending);
}

}  // namespace
}  // namespace qv
