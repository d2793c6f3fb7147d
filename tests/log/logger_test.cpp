#include "log/logger.h"

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/recording_logger.h"

namespace qv {
namespace {

using testing::RecordingLogger;
using Lines = std::vector<std::string>;

TEST(LoggerTest, EachOperationCountsErrorsAndWritesItsLine) {
  struct Case {
    std::function<void(TLogger&)> call;
    int errors;
    Lines lines;
  };
  const std::string enoent = SystemMessage(ENOENT);
  const Case cases[] = {
      {[](TLogger& l) { l.LogError("bad"); }, 1, {"Error: bad"}},
      {[](TLogger& l) { l.LogSysError(ENOENT, "Open /a"); }, 1, {"Error 2: Open /a. " + enoent}},
      {[](TLogger& l) { l.LogSysError(0, "F"); },
       1,
       {"Error 0: F. No reason given for this failure."}},
      {[](TLogger& l) { l.LogSysError(-5, "x"); }, 1, {"Error -5: x. " + SystemMessage(-5)}},
      {[](TLogger& l) {
         errno = ENOENT;
         l.LogLastError("gone");
       },
       1,
       {"Error 2: gone. " + enoent}},
      {[](TLogger& l) { l.LogWarning("careful"); }, 0, {"Warning: careful"}},
      {[](TLogger& l) { l.LogEmpty(); }, 0, {""}},
      {[](TLogger& l) {
         l.LogStrings({"a", "", "b"});
       },
       0,
       {"a", "", "b"}},
  };
  for (const auto& c : cases) {
    RecordingLogger log;
    c.call(log);
    EXPECT_EQ(log.ErrorCount(), c.errors) << c.lines[0];
    EXPECT_EQ(log.lines, c.lines);
  }
}

TEST(LoggerTest, HeadingIsWrittenOnceBeforeTheFirstLineUnderIt) {
  RecordingLogger log;
  log.SetHeading("Filters:");
  log.LogWarning("not under it");
  log.FlushHeading();
  log.FlushHeading();
  log.LogUnderHeading("Excluded /tmp/");
  EXPECT_EQ(log.lines, (Lines{"Warning: not under it", "", "Filters:", "Excluded /tmp/"}));
}

TEST(LoggerTest, ClearedHeadingIsNeverWritten) {
  RecordingLogger log;
  log.SetHeading("Filters:");
  log.ClearHeading();
  log.LogUnderHeading("x");
  log.FlushHeading();
  EXPECT_EQ(log.lines, Lines{"x"});
}

TEST(LoggerTest, DateTimeLines) {
  struct Case {
    TLocalTime time;
    Lines lines;
  };
  const Case cases[] = {
      {{2024, 3, 5, 7, 8, 9, 2}, {"Date Tuesday 5 March 2024", "Time 07:08:09"}},
      {{1999, 12, 31, 23, 59, 59, 5}, {"Date Friday 31 December 1999", "Time 23:59:59"}},
      {{2023, 1, 1, 0, 0, 0, 0}, {"Date Sunday 1 January 2023", "Time 00:00:00"}},
  };
  for (const auto& c : cases) {
    RecordingLogger log;
    log.LogDateTime(c.time);
    EXPECT_EQ(log.lines, c.lines);
  }
}

TEST(LoggerTest, EscapeControl) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain name.txt", "plain name.txt"},
      {"a\nError: forged", "a\\x0AError: forged"},
      {"cr\r\t", "cr\\x0D\\x09"},
      {"\x1b[31mred", "\\x1B[31mred"},
      {"del\x7f", "del\\x7F"},
      {std::string("nul\0x", 5), "nul\\x00x"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},          // UTF-8 unchanged
      {"bad\xff\xfe\x80", "bad\xff\xfe\x80"},  // invalid UTF-8 byte for byte
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(EscapeControl(in), out);
}

TEST(LoggerTest, SystemMessageHasNoTrailingFullStopOrBlank) {
  for (int code : {EPERM, ENOENT, EACCES, ENOSPC, EIO, 99999}) {
    const std::string text = SystemMessage(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_GT(static_cast<unsigned char>(text.back()), ' ') << code;
    EXPECT_NE(text.back(), '.') << code;
  }
}

}  // namespace
}  // namespace qv
