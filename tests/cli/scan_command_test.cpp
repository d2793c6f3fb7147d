// The scan, stats and mirror accept commands, run in-process on real trees,
// and what the scan writes around its log: the progress line and the duration.

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "cli/confirm_prompt.h"
#include "cli/terminal_output.h"
#include "config/config_keys.h"
#include "config/registry_key.h"
#include "config/registry_values.h"
#include "filesys/testing/fault_platform.h"
#include "tests/cli/cli_test_util.h"
#include "tests/support/latch.h"

namespace qv::testing {
namespace {

class ScanCommandTest : public CliTest {
 protected:
  ScanCommandTest() {
    MakeTree(At(""), {"src/a.txt=hello", "src/sub/b.txt=bye"});
    AddMirror("dst");
  }

  void AddMirror(const std::string& dst) {
    MakeDirs(At(dst));
    RunOk({"mirror", "add", "@src", "@" + dst});
  }
};

// The log file named by the last line ends with all that was shown before it,
// from the "\n" that starts the first line; the time of the scan is kept.
TEST_F(ScanCommandTest, MirrorsTheTreeSavesTheLogAsShownAndRecordsTheScan) {
  const FileTime before = platform_.Now();
  const std::string out = RunOk({"scan"});
  EXPECT_EQ(ReadFile(At("dst/sub/b.txt")), "bye");
  const size_t at = out.rfind("\nLog ");
  const size_t to = out.find(" to " + At("dst/Quorvane archive/Logs/"), at);
  ASSERT_TRUE(out.starts_with("Scan started\n") && to != std::string::npos) << out;
  EXPECT_TRUE(
      ReadFile(out.substr(to + 4, out.size() - to - 5)).ends_with("\n" + out.substr(0, at)));
  const TRegValue last_scan = Raw(Store(), kBaseKey, "LastScan");
  FileTime stored = 0;  // little-endian, as the machine
  ASSERT_EQ(last_scan.data.size(), sizeof stored);
  std::memcpy(&stored, last_scan.data.data(), sizeof stored);
  EXPECT_TRUE(last_scan.type == kRegBinary && stored >= before && stored <= platform_.Now());
}

// Counters gone stale are forgotten with the logs' and the limit kept: the
// next scan walks the archive instead of trusting them.
TEST_F(ScanCommandTest, ClearArchiveInfoMakesTheNextScanCountTheArchive) {
  RunOk({"scan"});
  const std::string key = MappingKey(At("dst/")) + kDestinationSubkey + kArchiveSubkey;
  const TCounts stale{1, 1, 1, 1};
  ASSERT_TRUE(Store().WriteCounters(key, stale) && Store().WriteCounters(key + "\\Logs", stale));
  ASSERT_TRUE(Store().Write64(key, "MaxArchiveSize", 1 << 30));
  EXPECT_EQ(RunOk({"mirror", "clear-archive-info", "@dst"}), "");
  EXPECT_TRUE(Has(RunOk({"scan"}), "Scanning archive " + At("dst/Quorvane archive/")));
  for (const std::string& counted : {key, key + "\\Logs"}) {
    TCounts stored;
    EXPECT_TRUE(Store().ReadCounters(counted, &stored) && stored.files >= 1 && stored != stale)
        << counted;
  }
  EXPECT_EQ(Raw(Store(), key, "MaxArchiveSize"), Int64Value(1 << 30));
}

TEST_F(ScanCommandTest, WhatKeepsTheScanFromRunningIsOneLineAndStatusTwo) {
  RunOk({"set", "Confirm", "yes"});
  EXPECT_TRUE(Has(RunFails({"scan"}), "Confirm is on, and updates can be confirmed only"));
  EXPECT_FALSE(PathExists(At("dst/a.txt")));
  settings_ = At("missing.db");
  // Neither the scan nor a command that only reads makes a settings file.
  const std::vector<std::string> kReaders[] = {
      {"scan"},           {"show"},           {"get", "Confirm"},  {"mirror", "list"},
      {"filter", "list"}, {"minage", "list"}, {"filemap", "list"}, {"export"},
      {"stats"}};
  for (const std::vector<std::string>& args : kReaders) {
    EXPECT_TRUE(Has(RunFails(args), "there is no settings file " + settings_)) << args[0];
    EXPECT_FALSE(PathExists(settings_)) << args[0];
  }
  WriteFile(settings_, std::string(4096, 'x'));  // not a settings store
  EXPECT_TRUE(Has(RunFails({"scan"}), settings_));
  EXPECT_TRUE(Has(RunFails({"mirror", "add", "--allow-missing", "@s", "@d"}), settings_));
  EXPECT_EQ(StoreBytes(), std::string(4096, 'x'));
}

// A scan with no mirror to run ends at once with status 2 and names the
// command that makes one possible.
TEST_F(ScanCommandTest, NoMirrorToScanIsStatusTwoAndNamesTheCommandThatMakesOne) {
  MakeTree(At(""), {"src2/c.txt=c", "off/"});
  RunOk({"mirror", "add", "@src2", "@off", "--disabled"});
  // The settings file; the scan's arguments; its error lines.
  const std::tuple<std::string, std::vector<std::string>, std::string> kCases[] = {
      {"empty.db",
       {"scan"},
       "quorvane-cli: No mappings found. Use the configuration dialog to create a mirror.\n"
       "quorvane-cli: add a mirror first (quorvane-cli mirror add SOURCE DESTINATION)\n"},
      {"disabled.db",
       {"scan"},
       "quorvane-cli: every mirror is disabled; enable one first (quorvane-cli mirror enable "
       "DESTINATION)\n"},
      {"settings.db",
       {"scan", "@dst", "@elsewhere"},
       "quorvane-cli: no mirror has the destination @elsewhere/\n"},
      {"settings.db",
       {"scan", "@off"},
       "quorvane-cli: the mirror to @off/ is disabled; enable it first (quorvane-cli mirror "
       "enable @off/)\n"},
  };
  settings_ = At("empty.db");
  RunOk({"set", "Priority", "3"});
  settings_ = At("disabled.db");
  AddMirror("dst");
  RunOk({"mirror", "disable", "@dst"});
  for (const auto& [settings, args, error] : kCases) {
    settings_ = At(settings);
    const CliRun run = Run(args);
    EXPECT_EQ(run.code, 2) << settings;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, Expand(error));
  }
  EXPECT_FALSE(PathExists(At("dst/a.txt")));
}

// Only the mirrors named are brought up to date, in the order of mirror
// list; the schedule of the others is left alone.
TEST_F(ScanCommandTest, NamedDestinationsAreTheOnlyMirrorsScanned) {
  MakeTree(At(""), {"src2/c.txt=c"});
  MakeDirs(At("dst2"));
  RunOk({"mirror", "add", "@src2", "@dst2"});
  std::string out = RunOk({"scan", "@dst2/"});
  EXPECT_TRUE(PathExists(At("dst2/c.txt")));
  EXPECT_FALSE(PathExists(At("dst/a.txt")));
  EXPECT_FALSE(Store().ValueExists(kBaseKey, "LastScan"));
  out = RunOk({"scan", "@dst2", "@dst", "@dst2"});  // every enabled mirror
  EXPECT_TRUE(PathExists(At("dst/a.txt")));
  const size_t first = out.find("Start update " + At("dst/") + " with");
  EXPECT_LT(first, out.find("Start update " + At("dst2/") + " with")) << out;
  EXPECT_TRUE(Store().ValueExists(kBaseKey, "LastScan"));
}

// The log saves itself every thousand lines; a save that fails there, though
// the mirror's last save works, is an error of the scan like any other.
TEST_F(ScanCommandTest, ALogSaveThatFailsIsCountedBeforeTheSummary) {
  std::vector<std::string> files;
  for (int i = 0; i < 1000; ++i) files.push_back("src/many/" + std::to_string(i) + "=x");
  MakeTree(At(""), files);
  platform_.failing_appends = 1;
  const CliRun run = Run({"scan"});
  EXPECT_EQ(run.code, 1);
  const size_t summary = run.out.find("\nLogged 1 error for all mirrors during this scan\n");
  ASSERT_NE(summary, std::string::npos) << run.out.substr(run.out.size() - 400);
  EXPECT_LT(run.out.find("\nError 5: Failed to save log file "), summary);
}

TEST_F(ScanCommandTest, QuestionsAreAnsweredOnTheTerminal) {
  // Lines typed before the input ends; exit status; whether the file was
  // copied; whether the scan was terminated (the interrupt key: tool tests).
  const std::tuple<std::vector<std::string>, int, bool, bool> kCases[] = {
      {{"maybe", " YS "}, 0, true, false},
      {{"ns"}, 1, false, false},
      {{"t"}, 3, false, true},
      {{}, 3, false, true},
  };
  int number = 0;
  for (const auto& [typed, code, copied, terminated] : kCases) {
    const std::string dst = "dst" + std::to_string(++number);
    settings_ = At(dst + ".db");
    AddMirror(dst);
    RunOk({"set", "Confirm", "yes"});
    ScriptedConsole console;
    console.lines.assign(typed.begin(), typed.end());
    console_ = &console;
    const CliRun run = Run({"scan"});
    console_ = nullptr;
    SCOPED_TRACE(dst + "\n" + run.out + run.err);
    EXPECT_EQ(run.code, code);
    EXPECT_EQ(PathExists(At(dst + "/a.txt")), copied);
    EXPECT_TRUE(Has(run.err, "Create archive directory " + At(dst + "/Quorvane archive/") +
                                 "\n[y]es, [n]o, [t]erminate; add d, m or s"));
    EXPECT_EQ(Has(run.err, "Please type y, n or t"), typed.size() > 1);
    EXPECT_EQ(Has(run.out, "\nScanner terminated\n"), terminated);
    EXPECT_EQ(Has(run.out, "\nScan done in "), !terminated);
  }
}

// "No" for the remainder of the scan answers every later question, in this
// mirror and the next, without asking: the input ends after one answer, and
// a question asked after that would stop the scan.
TEST_F(ScanCommandTest, ANoForTheRestOfTheScanAsksNothingMore) {
  MakeTree(At(""), {"src2/c.txt=c", "dst2/"});
  RunOk({"mirror", "add", "@src2", "@dst2"});
  RunOk({"set", "Confirm", "yes"});
  ScriptedConsole console;
  console.lines = {"ns"};
  console_ = &console;
  const CliRun run = Run({"scan"});
  console_ = nullptr;
  EXPECT_EQ(run.code, 1) << run.out;
  EXPECT_EQ(run.err.find("[y]es"), run.err.rfind("[y]es")) << run.err;
  EXPECT_FALSE(Has(run.out, "\nScanner terminated\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "Error 125: Create archive directory " + At("dst2/Quorvane archive/") +
                               ". Operation canceled"))
      << run.out;
  EXPECT_FALSE(PathExists(At("dst/a.txt")));
  EXPECT_FALSE(PathExists(At("dst2/c.txt")));
}

TEST_F(ScanCommandTest, AnErrorInOneMirrorLeavesTheOtherAndStatsShowBoth) {
  MakeDirs(At("dst2"));
  RunOk({"mirror", "add", "--allow-missing", "@gone", "@dst2"});
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

// The engine's tests cover what holds a mirror back; here the command that
// accepts it, and a Yes on the terminal.
TEST_F(ScanCommandTest, AHeldMirrorWaitsForAcceptOrAYesOnTheTerminal) {
  RunOk({"scan"});
  const std::string key = MappingKey(At("dst/"));
  // What holds the mirror back; the line of its accept; a file then removed.
  const std::tuple<const char*, const char*, std::string, const char*> kHolds[] = {
      {"SourceVolume", "uuid of another disk", "the source @src/ as it is now", "a.txt"},
      {"MassChangeHold", "3 of 4 files",
       "the mass change held for @dst/ (3 of 4 files replaced or removed)", "sub/b.txt"}};
  for (const auto& [name, value, accepted, removed] : kHolds) {
    ASSERT_TRUE(Store().WriteString(key, name, value));
    std::filesystem::remove(At("src/") + removed);
    EXPECT_EQ(Run({"scan"}).code, 1);
    EXPECT_TRUE(PathExists(At("dst/") + removed));
    EXPECT_EQ(RunOk({"mirror", "accept", "@dst"}), Expand("Accepted " + accepted + "\n"));
    RunOk({"scan"});
    EXPECT_FALSE(PathExists(At("dst/") + removed));
  }
  EXPECT_EQ(RunOk({"mirror", "accept", "@dst"}),
            "Nothing to accept for the mirror to " + At("dst/") + "\n");

  WriteFile(At("src/new.txt"), "new");
  RunOk({"scan"});
  ASSERT_TRUE(Store().WriteString(key, "MassChangeHold", "3 of 4 files"));
  std::filesystem::remove(At("src/new.txt"));
  RunOk({"set", "Confirm", "yes"});
  ScriptedConsole console;
  console.lines = {"y", "y"};  // then the input ends: any further question stops the scan
  console_ = &console;
  const CliRun run = Run({"scan"});
  console_ = nullptr;
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_TRUE(Has(run.err, "Accept the mass change held for " + At("dst/") +
                               " (3 of 4 files replaced or removed)?\n[y]es"))
      << run.err;
  EXPECT_FALSE(PathExists(At("dst/new.txt")));
  EXPECT_FALSE(Store().ValueExists(key, "MassChangeHold"));
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  std::ranges::sort(lines);
  return lines;
}

std::string EachLineBehind(const std::string& prefix, const std::string& text) {
  std::string prefixed;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) prefixed += prefix + line + "\n";
  return prefixed;
}

constexpr char kNobodyToAsk[] =
    "quorvane-cli: warning: Confirm is on, but a quiet scan has nobody to ask: every update goes "
    "ahead as with Confirm off (to end this warning: quorvane-cli set Confirm false)";

// No terminal; standard output and error the journal, or not. With stop, a
// stop signal comes at the first look after the scan opened reached; the
// next look opens stopped: the main thread has stopped the scan by then.
struct UnattendedConsole : TConsole {
  bool OutputIsJournal() override { return journal; }
  bool ErrorIsJournal() override { return journal; }
  bool TakeStopSignal() override {
    if (!stop || !reached.Wait(std::chrono::milliseconds(0))) return false;
    if (++looks == 2) stopped.Open();
    return looks == 1;
  }
  bool journal = false;
  bool stop = false;
  int looks = 0;
  TLatch reached, stopped;
};

// A scan from cron or a timer: standard output stays empty and standard
// error holds the error lines and the summary alone; the warnings are in the
// log files, without the journal's priorities. Two mirrors, faults in
// @src/a.txt and @src/e.txt (unreadable), @src/sub/b.txt (changed while
// copied: a warning) and @src2/c.txt (unreadable).
TEST_F(ScanCommandTest, AQuietScanShowsTheErrorsAndTheirLogsAlone) {
  MakeTree(At(""), {"src/e.txt=e", "src2/c.txt=c"});
  enum Faults { kNone, kUnreadable, kStop };
  struct Case {
    bool quiet, confirm, journal;
    Faults faults;
    int code;
    std::string err;  // "L1" and "L2" stand for the mirrors' logs
    std::vector<std::string> out_lines;
  };
  const std::string kErrors =
      "Error 13: Copy of @src/a.txt failed. Permission denied\n"
      "Error 13: Copy of @src/e.txt failed. Permission denied\n"
      "Error 13: Copy of @src2/c.txt failed. Permission denied\n"
      "quorvane-cli: 3 errors; see the logs L1, L2\n";
  const std::vector<std::string> kJournalLines = {
      "\nScan started\n", "\n<3>Error 13: Copy of @src/a.txt failed. Permission denied\n",
      "\n<4>Warning: @src/sub/b.txt changed while it was copied"};
  // quiet, Confirm, journal, faults, exit status, standard error, lines of
  // standard output.
  const Case kCases[] = {
      {true, false, false, kNone, 0, "", {}},
      {true, false, false, kUnreadable, 1, kErrors, {}},
      {true, false, true, kUnreadable, 1, EachLineBehind("<3>", kErrors), {}},
      {false, false, true, kUnreadable, 1, "", kJournalLines},
      {true, true, true, kNone, 0, "<4>" + std::string(kNobodyToAsk) + "\n", {}},
      {true, false, false, kStop, 3, "quorvane-cli: stopped before its end; see the log L1\n", {}},
  };
  int number = 0;
  for (const auto& [quiet, confirm, journal, faults, code, err, out_lines] : kCases) {
    const std::string dst = "d" + std::to_string(++number);
    settings_ = At(dst + ".db");
    AddMirror(dst);
    MakeDirs(At(dst + "-2"));
    RunOk({"mirror", "add", "@src2", "@" + dst + "-2"});
    RunOk({"set", "Confirm", confirm ? "yes" : "no"});
    FaultPlatform platform(platform_);
    UnattendedConsole console;
    console.journal = journal;
    console.stop = faults == kStop;
    if (faults == kUnreadable) {
      platform.AddFault({.op = Op::kCopyToTemp, .path_part = "src/a.txt", .error = EACCES});
      platform.AddFault({.op = Op::kCopyToTemp, .path_part = "src/e.txt", .error = EACCES});
      platform.AddFault(
          {.op = Op::kCopyToTemp, .path_part = "sub/b.txt", .error = kErrSourceChanged});
      platform.AddFault({.op = Op::kCopyToTemp, .path_part = "src2/c.txt", .error = EACCES});
    }
    // The stop comes while the scan waits to list src/sub/, between copies.
    platform.on_call = [&console](Op op, const std::string& path) {
      if (console.stop && op == Op::kListDir && path.ends_with("src/sub/")) {
        console.reached.Open();
        ASSERT_TRUE(console.stopped.Wait(std::chrono::seconds(20)));
      }
    };
    run_platform_ = &platform;
    console_ = &console;
    // The stop waits for the walk's own listing, which a listing read ahead
    // would stand in for.
    std::vector<std::string> args = {"scan", "--no-read-ahead"};
    if (quiet) args.push_back("--quiet");
    const CliRun run = Run(args);
    run_platform_ = &platform_;
    console_ = nullptr;
    SCOPED_TRACE(dst + "\n" + run.out + run.err);
    EXPECT_EQ(run.code, code);
    std::string logs[2];  // the one log of each mirror; a stopped scan never reaches the second
    for (int i = 0; i < 2; ++i) {
      const std::string dir = At(dst + (i == 0 ? "" : "-2") + "/Quorvane archive/Logs");
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        logs[i] = entry.path();
      }
    }
    std::string expected = Expand(err);
    for (const auto& [token, log] : {std::pair{" L1", logs[0]}, {" L2", logs[1]}}) {
      if (const size_t at = expected.find(token); at != std::string::npos) {
        expected.replace(at + 1, 2, log);
      }
    }
    EXPECT_EQ(SortedLines(run.err), SortedLines(expected));  // a directory lists in any order
    EXPECT_EQ(run.out.empty(), quiet);
    for (const std::string& line : out_lines) {
      EXPECT_TRUE(Has("\n" + run.out, Expand(line))) << line;
    }
    const std::string log = ReadFile(logs[0]);
    EXPECT_EQ(Has(log, Expand("\nWarning: @src/sub/b.txt changed while it was copied")),
              faults == kUnreadable);
    EXPECT_FALSE(Has(log, "<3>") || Has(log, "<4>"));
    EXPECT_EQ(PathExists(At(dst + "/sub/b.txt")), faults == kNone);
  }
}

TEST(TerminalOutputTest, LogLinesLeaveWholeAndPushTheProgressLineAside) {
  // Cut in the middle, by characters, not bytes.
  const std::string path = "/\xC3\xA4/very/long/path/that/does/not/fit/in/forty/c\xC3\xB6lumns";
  ScriptedConsole terminal;  // 40 columns
  TConsole none;
  for (TConsole* console : {static_cast<TConsole*>(&terminal), &none}) {
    std::ostringstream out, err;
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

// The prompt waits at the end of its line: an answer that no terminal
// echoed, a stop while it waits (the main thread's "Terminating scanner..."
// lines) and the end of the input each end the line first.
TEST(TerminalOutputTest, APromptEndsItsLineBeforeTheNextLogLine) {
  struct Console : ScriptedConsole {
    bool InputIsTerminal() override { return echoes; }
    bool echoes = true;
  };
  // Lines typed, whether the terminal echoes them, what err then shows
  // after the question.
  const std::tuple<std::vector<std::string>, bool, std::string> kCases[] = {
      {{"y"}, true, ""},
      {{"y"}, false, "\n"},
      {{"x", "n"}, false, "\nPlease type y, n or t, optionally followed by d, m or s.\n"},
      {{}, true, "\n"},
  };
  for (const auto& [typed, echoes, after] : kCases) {
    std::ostringstream out, err;
    Console console;
    console.echoes = echoes;
    console.lines.assign(typed.begin(), typed.end());
    TTerminalOutput output(out, err, console);
    TConfirmPrompt prompt(console, output);
    output.AddPiece("\nCopied file a");
    ASSERT_TRUE(prompt.Ask("Copy b?", 0, [] { return false; }).has_value());
    output.AddPiece("\nNext");
    const std::string choices =
        "[y]es, [n]o, [t]erminate; add d, m or s to answer for the rest "
        "of the directory and sub-directories, the mirror or the scan "
        "(e.g. yd): ";
    const std::string asked = "Copy b?\n" + choices;
    EXPECT_EQ(err.str(), typed.size() > 1 ? asked + after + choices + "\n" : asked + after);
    EXPECT_EQ(out.str(), "Copied file a\n");
  }
  std::ostringstream out, err;
  ScriptedConsole console;
  TTerminalOutput output(out, err, console);
  output.Prompt("Copy b?\n(e.g. yd): ");
  output.AddPiece("\nTerminating scanner...");
  output.AddPiece("\n");
  EXPECT_EQ(err.str(), "Copy b?\n(e.g. yd): \n");
  EXPECT_EQ(out.str(), "Terminating scanner...\n");
}

TEST(TerminalOutputTest, ProgressTellsTheShareTheRateAndTheTimeLeft) {
  // done, outside, total, total known, bytes, seconds; the text.
  const std::tuple<int64_t, int64_t, int64_t, bool, int64_t, double, const char*> kCases[] = {
      {0, 0, 3, true, 0, 0, "0 of 3 (0%)  "},
      {250, 9, 1000, true, 3 << 20, 2, "250 of 1,000 (25%)  1.5 MB/s  6 s left  "},
      {500, 0, 1000, true, 0, 1800, "500 of 1,000 (50%)  0 bytes/s  30 min left  "},
      {100, 0, 1000, true, 10, 800, "100 of 1,000 (10%)  0 bytes/s  2 h 0 min left  "},
      {2, 5, 3, false, 2048, 1, "7 items  2.0 KB/s  "},         // no earlier scan gave a total
      {1200, 7, 1000, true, 0, 4, "1,207 items  0 bytes/s  "},  // the tree grew past it
  };
  for (const auto& [done, outside, total, known, bytes, seconds, text] : kCases) {
    EXPECT_EQ(ProgressText({done, outside, total, known, bytes, seconds}), text);
  }
}

}  // namespace
}  // namespace qv::testing
