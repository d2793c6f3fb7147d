// What the scan writes around its log: the progress line and the duration.

#include "cli/terminal_output.h"

#include <cmath>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli/headless_scan.h"
#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

TEST(ScanDoneTextTest, RoundsToTheSecondAndCarriesIntoTheMinutes) {
  const struct {
    double seconds;
    const char* text;
  } kCases[] = {
      {0.5, "Scan done in 0 seconds"},      // halves go to the even neighbour
      {179.5, "Scan done in 180 seconds"},  // below three minutes before rounding
      {185.5, "Scan done in 3 minutes and 6 seconds"},
      {239.7, "Scan done in 4 minutes"},  // not "3 minutes and 60 seconds"
  };
  const FileTime start = 133500000000000000;
  for (const auto& c : kCases) {
    const FileTime end = start + std::llround(c.seconds * kFileTimeTicksPerSecond);
    EXPECT_EQ(ScanDoneText(start, end), c.text) << c.seconds;
  }
}

TEST(TerminalOutputTest, LogLinesLeaveWholeAndPushTheProgressLineAside) {
  // Cut in the middle, by characters, not bytes.
  const std::string path = "/\xC3\xA4/very/long/path/that/does/not/fit/in/forty/c\xC3\xB6lumns";
  ScriptedConsole terminal;  // 40 columns
  TConsole none;
  for (TConsole* console : {static_cast<TConsole*>(&terminal), &none}) {
    std::ostringstream out;
    std::ostringstream err;
    TTerminalOutput output(out, err, *console);
    output.AddPiece("\nCopied file a");
    output.ShowProgress("1 of 9  ", path);
    output.ShowProgress("1 of 9  ", path);
    output.AddPiece(", 2 times");
    EXPECT_EQ(out.str(), "");  // a continuation may still come
    output.AddPiece("\n");
    output.Pause();
    output.ShowProgress("2 of 9  ", path);
    output.Resume();
    output.AddPiece("\nDone");
    output.Finish();
    EXPECT_EQ(out.str(), "Copied file a, 2 times\n\nDone\n");
    const char* shown = "\r\x1b[K1 of 9  /\xC3\xA4/very/long/p.../forty/c\xC3\xB6lumns\r\x1b[K";
    EXPECT_EQ(err.str(), console == &none ? "" : shown);
  }
}

}  // namespace
}  // namespace qv::testing
