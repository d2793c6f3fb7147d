// The scan, stats and mirror accept commands, run in-process on real trees,
// and what the scan writes around its log: the progress line and the duration.

#include <cstring>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli/headless_scan.h"
#include "cli/terminal_output.h"
#include "config/config_keys.h"
#include "config/registry_key.h"
#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class ScanCommandTest : public CliTest {
 protected:
  ScanCommandTest() {
    MakeDirs(At("src/sub"));
    WriteFile(At("src/a.txt"), "hello");
    WriteFile(At("src/sub/b.txt"), "bye");
    AddMirror("dst");
  }

  void AddMirror(const std::string& dst) {
    MakeDirs(At(dst));
    RunOk({"mirror", "add", "@src", "@" + dst});
  }

  // The log file named by the last line of out ends with all of out before
  // that line, as the log view held it: from the "\n" that starts its first
  // line to the end of "Scan done in ...". Answers the file.
  std::string ExpectSavedAsShown(const std::string& out) {
    const std::string logs = At("dst/Quorvane archive/Logs/");
    size_t at = out.rfind("\nLog appended to " + logs);
    const size_t written = out.rfind("\nLog written to " + logs);
    if (at == std::string::npos || (written != std::string::npos && written > at)) at = written;
    EXPECT_NE(at, std::string::npos) << out;
    if (at == std::string::npos) return "";
    const std::string shown = out.substr(0, at);
    EXPECT_EQ(shown.rfind("\nLogged no errors during this scan\nScan done in "),
              shown.rfind("\n", shown.rfind('\n') - 1));
    const size_t name = out.find(logs, at);
    const std::string file = ReadFile(out.substr(name, out.size() - name - 1));
    EXPECT_TRUE(file.ends_with("\n" + shown)) << file;
    return file;
  }
};

TEST_F(ScanCommandTest, MirrorsTheTreeAndAppendsTheLogAsItWasShown) {
  const FileTime before = platform_.Now();
  const std::string out = RunOk({"scan"});
  EXPECT_EQ(ReadFile(At("dst/sub/b.txt")), "bye");
  EXPECT_EQ(out.rfind("Scan started\n", 0), 0u) << out;
  const std::string first = ExpectSavedAsShown(out);
  WriteFile(At("src/c.txt"), "new");
  const std::string again = RunOk({"scan"});
  EXPECT_TRUE(Has(again, "\nCreated file " + At("dst/c.txt") + "\n"));
  // A scan in the same second files its log with the first one's.
  const auto file_of = [](const std::string& text) {  // of the last line, "Log ... to FILE"
    const std::string last = text.substr(text.rfind('\n', text.size() - 2) + 1);
    return last.substr(last.find(" to ") + 4);
  };
  const bool same_file = file_of(out) == file_of(again);
  EXPECT_TRUE(ExpectSavedAsShown(again).starts_with(first) || !same_file);

  const TRegValue last_scan = Raw(Store(), kBaseKey, "LastScan");
  FileTime stored = 0;  // little-endian, as the machine
  ASSERT_EQ(last_scan.data.size(), sizeof stored);
  std::memcpy(&stored, last_scan.data.data(), sizeof stored);
  EXPECT_TRUE(last_scan.type == kRegBinary && stored >= before && stored <= platform_.Now());
}

TEST_F(ScanCommandTest, WhatKeepsTheScanFromRunningIsOneLineAndStatusTwo) {
  RunOk({"set", "Confirm", "yes"});
  EXPECT_TRUE(Has(RunFails({"scan"}), "Confirm is on, and updates can be confirmed only"));
  EXPECT_FALSE(PathExists(At("dst/a.txt")));
  const std::string settings = settings_;
  settings_ = At("missing.db");
  EXPECT_TRUE(Has(RunFails({"scan"}), "there is no settings file " + settings_));
  EXPECT_TRUE(Has(RunFails({"stats"}), "there is no settings file"));
  EXPECT_FALSE(PathExists(settings_));
  settings_ = settings;
  WriteFile(settings_, std::string(4096, 'x'));  // not a settings store
  EXPECT_TRUE(Has(RunFails({"scan"}), settings_));
  EXPECT_TRUE(Has(RunFails({"mirror", "add", "@s", "@d"}), settings_));
  EXPECT_EQ(StoreBytes(), std::string(4096, 'x'));
}

TEST_F(ScanCommandTest, QuestionsAreAnsweredOnTheTerminal) {
  const struct {
    std::vector<std::string> typed;  // then the input ends
    bool interrupt;                  // the user stops the scan at the question
    int code;
    bool copied;
    bool terminated;
  } kCases[] = {
      {{"maybe", " YS "}, false, 0, true, false},
      {{"ns"}, false, 1, false, false},
      {{"t"}, false, 1, false, true},
      {{}, false, 1, false, true},
      {{}, true, 0, false, true},
  };
  int number = 0;
  for (const auto& c : kCases) {
    const std::string dst = "dst" + std::to_string(++number);
    settings_ = At(dst + ".db");
    AddMirror(dst);
    RunOk({"set", "Confirm", "yes"});
    ScriptedConsole console;
    console.lines.assign(c.typed.begin(), c.typed.end());
    console.stop_at_question = c.interrupt;
    console_ = &console;
    const CliRun run = Run({"scan"});
    console_ = nullptr;
    SCOPED_TRACE(dst + "\n" + run.out + run.err);
    EXPECT_EQ(run.code, c.code);
    EXPECT_EQ(PathExists(At(dst + "/a.txt")), c.copied);
    EXPECT_TRUE(Has(run.err, "Create archive directory " + At(dst + "/Quorvane archive/") +
                                 "\n[y]es, [n]o, [t]erminate; add d, m or s"));
    EXPECT_EQ(Has(run.err, "Please type y, n or t"), c.typed.size() > 1);
    EXPECT_EQ(Has(run.out, "\n\nTerminating scanner...\n\n"), c.interrupt);
    EXPECT_EQ(Has(run.out, "\nScanner terminated\n"), c.terminated);
    EXPECT_EQ(Has(run.out, "\nScan done in "), !c.terminated);
  }
}

TEST_F(ScanCommandTest, AnErrorInOneMirrorLeavesTheOtherAndStatsShowBoth) {
  MakeDirs(At("dst2"));
  RunOk({"mirror", "add", "@gone", "@dst2"});
  const CliRun run = Run({"scan"});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(Has(run.out, "Error 2: Could not read file attributes of " + At("gone/"))) << run.out;
  EXPECT_TRUE(Has(run.out, "\nLogged 1 error for all mirrors during this scan\n"));
  const std::string out = RunOk({"stats"});
  const std::string dst = At("dst/") + " ";  // as wide as dst2/
  EXPECT_TRUE(Has(out, dst + "  source                2      1            8 bytes  8 bytes\n"))
      << out;
  EXPECT_TRUE(Has(out, dst + "  archive               0      2            0 bytes  0 bytes\n" +
                           At("dst2/") + "  source                0      0            0 bytes"));
  EXPECT_TRUE(
      Has(out, "\n\nMirror" + std::string(dst.size() - 6, ' ') + "  Source drive free  of"));
}

TEST_F(ScanCommandTest, AMirrorWhoseFileSystemChangedWaitsUntilAccepted) {
  RunOk({"scan"});
  const std::string key = MappingKey(At("dst/"));
  const TRegValue recorded = Raw(Store(), key, "SourceVolume");
  ASSERT_TRUE(Store().WriteString(key, "SourceVolume", "uuid of another disk"));
  WriteFile(At("src/new.txt"), "new");
  const CliRun cancelled = Run({"scan"});
  EXPECT_EQ(cancelled.code, 1);
  EXPECT_TRUE(Has(cancelled.out,
                  "If this is intended, run: quorvane-cli mirror accept " + At("dst/") + "\n"))
      << cancelled.out;
  EXPECT_FALSE(PathExists(At("dst/new.txt")));
  RunOk({"mirror", "accept", "@dst"});
  EXPECT_EQ(Raw(Store(), key, "SourceVolume"), recorded);
  RunOk({"scan"});
  EXPECT_EQ(ReadFile(At("dst/new.txt")), "new");
}

TEST(ScanDoneTextTest, RoundsToTheSecondAndCarriesIntoTheMinutes) {
  const FileTime start = 133500000000000000;
  const FileTime tenth = kFileTimeTicksPerSecond / 10;
  EXPECT_EQ(ScanDoneText(start, start + 1795 * tenth), "Scan done in 180 seconds");
  EXPECT_EQ(ScanDoneText(start, start + 1855 * tenth), "Scan done in 3 minutes and 6 seconds");
  // Not "3 minutes and 60 seconds".
  EXPECT_EQ(ScanDoneText(start, start + 2397 * tenth), "Scan done in 4 minutes");
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
