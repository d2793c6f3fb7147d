#include "log/logger.h"

#include <cerrno>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "log/console_logger.h"
#include "tests/support/recording_logger.h"

namespace qv {
namespace {

using Lines = std::vector<std::string>;

TEST(LoggerTest, LinesErrorCountAndHeadings) {
  testing::RecordingLogger log;
  log.LogError("bad");
  log.LogSysError(ENOENT, "Open /a");
  log.LogSysError(0, "F");
  errno = EACCES;
  log.LogLastError("x");
  log.SetHeading("Filters:");
  log.LogWarning("not under it");
  log.FlushHeading();
  log.FlushHeading();
  log.LogUnderHeading("Excluded /tmp/");
  log.LogDateTime({2024, 3, 5, 7, 8, 9, 2});
  log.SetHeading("Never written");
  log.ClearHeading();
  log.LogUnderHeading("y");
  log.FlushHeading();
  EXPECT_EQ(log.lines, (Lines{"Error: bad", "Error 2: Open /a. No such file or directory",
                              "Error 0: F. No reason given for this failure.",
                              "Error 13: x. Permission denied", "Warning: not under it", "",
                              "Filters:", "Excluded /tmp/", "Date Tuesday 5 March 2024",
                              "Time 07:08:09", "y"}));
  EXPECT_EQ(log.ErrorCount(), 4);
  // The marks those calls wrote classify the lines; lines that merely look
  // alike stay plain.
  log.lines.insert(log.lines.end(), {"Errors: 2", "Error 13 x", "Error : x", "Error 1x: y",
                                     "Error 5:", " Error: x", "Warning:x", "Logged 1 error"});
  std::string kinds;  // E error, W warning, - plain
  for (const std::string& line : log.lines) {
    const TLineKind kind = LineKind(line);
    kinds += kind == TLineKind::kError ? 'E' : kind == TLineKind::kWarning ? 'W' : '-';
  }
  EXPECT_EQ(kinds, "EEEEW--------------");
}

TEST(LoggerTest, EscapeControl) {
  EXPECT_EQ(EscapeControl(std::string("a\nError: x\t\x7f\0", 13)), "a\\x0AError: x\\x09\\x7F\\x00");
  EXPECT_EQ(EscapeControl("caf\xc3\xa9 \xff\x80"), "caf\xc3\xa9 \xff\x80");  // bytes >= 0x80 stay
}

// Keeps what had been written at the last flush: what a pipe reader already has.
struct FlushRecorder : std::stringbuf {
  std::string flushed;
  int sync() override {
    flushed = str();
    return 0;
  }
};

TEST(ConsoleLoggerTest, ContinuesLinesEscapesAndFlushesEachAtOnce) {
  FlushRecorder buf;
  std::ostream out(&buf);
  {
    TConsoleLogger log(out);
    log.Log("x", false);
    log.LogLine("Drive / has 1 KB");
    log.Log(", leaving\r0", false);
    EXPECT_EQ(buf.flushed, buf.str());  // nothing waits for more
    log.SetStatus("/src/b\n");          // kept for a progress display, never written
    EXPECT_EQ(log.StatusText(), "/src/b\\x0A");
    log.LogLine("");
    log.EndLine();
    log.EndLine();
    log.Log("bad\nname\x1b\xff", false);  // after EndLine a continuation starts a line
  }
  EXPECT_EQ(buf.flushed, "x\nDrive / has 1 KB, leaving\\x0D0\n\nbad\\x0Aname\\x1B\xff\n");
}

}  // namespace
}  // namespace qv
