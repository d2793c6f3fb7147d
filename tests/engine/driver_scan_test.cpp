#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/config_keys.h"
#include "config/filter_store.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "engine/front_end.h"
#include "engine/mirror_thread.h"
#include "filesys/counts.h"
#include "filesys/platform_wrapper.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

constexpr uint16_t kAsk = kConfirmAsk | kConfirmDirScope | kConfirmMirrorScope;

// Records the lines (read them once the scan has ended) and reacts to them
// by script; shows a question and answers it later, as a dialog would.
class RecordingFrontEnd : public TFrontEnd {
 public:
  void AddLogLine(const std::string& text, bool) override {
    lines.push_back(text);
    on_line(text);
  }
  bool SetLogFileName(const std::string&) override { return true; }
  void UpdateCurrentMirrorStats() override {}
  void UpdateMirrorStats(const std::string&) override {}
  bool FlushLog() override { return true; }
  bool PrepareConfirm(const std::string& question, const std::string&, const std::string&,
                      const std::string&, uint16_t* flags) override {
    if (yes_at_once || no_to_the_scan) {
      lines.push_back("(asked) " + question);
      if (no_to_the_scan) *flags = ApplyConfirmScope(false, TConfirmScope::kScan, *flags);
      return !no_to_the_scan;
    }
    *flags |= kConfirmWaiting;
    return false;
  }
  void ArmWakeUpTimer(int64_t millis) override { on_arm(millis); }
  bool IsMinimised() override { return false; }
  bool IsHiddenInTray() override { return hidden; }
  void ScanEnded() override { ended = true; }

  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_line = [](const std::string&) {};
  std::function<void(int64_t)> on_arm = [](int64_t) {};
  bool ended = false;
  bool yes_at_once = false;     // a question is answered Yes as it comes
  bool no_to_the_scan = false;  // or No for the rest of the scan
  bool hidden = false;
};

// The real platform, but the scan threads keep their priority: an idle one
// would crawl on a busy machine.
class NormalPriorityPlatform : public PlatformWrapper {
 public:
  NormalPriorityPlatform() : PlatformWrapper(DefaultPlatform()) {}
  Status SetThreadPriority(int priority) override {
    on_priority(priority);
    return Status::Ok();
  }
  // The user is always busy: a hidden scan with a suspend time suspends.
  Status MillisSinceLastInput(int64_t* millis) override {
    *millis = 0;
    return Status::Ok();
  }

  std::function<void(int)> on_priority = [](int) {};
};

// One scan's world: a temporary store holding mirrors of s/ onto d/ and
// then of s2/ onto d2/, the settings and the doubles. Tests that call
// scan-thread methods act as the scan thread.
struct ScanBench {
  explicit ScanBench(int mirrors = 1) {
    if (mirrors > 0) AddMirror("s/", "d/", 1);
    if (mirrors > 1) AddMirror("s2/", "d2/", 2);
  }
  // Stores a mirror of temp/source onto temp/dest, both relative and ending
  // with "/"; row orders the mirrors.
  void AddMirror(const std::string& source, const std::string& dest, int row, bool enabled = true) {
    TQVIniFile ini(platform, temp / "settings.db");
    TMapping mapping(ini, temp / dest);
    mapping.SetSource(temp / source);
    mapping.mutable_settings().row = row;
    mapping.mutable_settings().enabled = enabled;
    EXPECT_TRUE(mapping.Save());
  }
  // The lines of a whole scan.
  const std::vector<std::string>& Scan() {
    NewThread().Start();
    thread->Join();
    EXPECT_TRUE(front_end.ended);
    return front_end.lines;
  }
  TMirrorThread& NewThread() {
    thread = std::make_unique<TMirrorThread>(platform, config, options, front_end);
    return *thread;
  }
  // The last n lines of a scan that ends before the mirror.
  std::vector<std::string> ScanTail(size_t n) {
    const std::vector<std::string>& lines = Scan();
    EXPECT_EQ(lines.front(), "Scan started");
    EXPECT_FALSE(PathExists(temp / "d"));
    return {lines.end() - std::min(n, lines.size()), lines.end()};
  }

  ScopedTempDir temp;
  NormalPriorityPlatform platform;
  TConfigData config;
  TScanOptions options{temp / "settings.db", 50};
  RecordingFrontEnd front_end;
  std::unique_ptr<TMirrorThread> thread;
};

using Lines = std::vector<std::string>;
const char kOneError[] = "Logged 1 error for all mirrors during this scan";

TEST(DriverScanTest, AnExceptionEndsTheScan) {
  ScanBench thrown;
  thrown.front_end.on_line = [](const std::string& line) {
    if (line.starts_with("Thread priority")) throw std::runtime_error("exploded");
  };
  EXPECT_EQ(thrown.ScanTail(2), (Lines{"Thread priority System idle", "Error: exploded"}));
}

// The progress weighs only the mirrors chosen: one, plus for each of them
// one and the items its last scan listed.
TEST(DriverScanTest, OnlyTheChosenMirrorsWeighTheProgress) {
  ScanBench bench(2);
  const std::string d = bench.temp / "d/";
  const std::string d2 = bench.temp / "d2/";
  {
    TQVIniFile ini(bench.platform, bench.options.settings_path);
    ASSERT_TRUE(ini.WriteCounters(TMapping(ini, d).key() + kSourceSubkey, TCounts{.files = 300}));
    ASSERT_TRUE(ini.WriteCounters(TMapping(ini, d2).key() + kSourceSubkey, TCounts{.files = 20}));
  }
  const std::pair<std::vector<std::string>, int32_t> kCases[] = {
      {{}, 1 + 301 + 21}, {{d2}, 1 + 21}, {{d2, d}, 1 + 301 + 21}};
  for (const auto& [chosen, total] : kCases) {
    bench.options.destinations = chosen;
    bench.Scan();
    EXPECT_EQ(bench.thread->progress().weighted_total, total) << chosen.size();
  }
}

TEST(DriverScanTest, UnreadableStoreCancelsTheScanBeforeAnyMirror) {
  ScanBench bench;
  sqlite3* holder = nullptr;  // another writer
  ASSERT_EQ(sqlite3_open(bench.options.settings_path.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  const Lines tail = bench.ScanTail(3);
  EXPECT_TRUE(tail[0].starts_with("Error: Cannot read the settings store ")) << tail[0];
  EXPECT_EQ(tail[2], kOneError);
  sqlite3_close(holder);
}

bool HasPart(const Lines& lines, const std::string& part) {
  return std::ranges::any_of(
      lines, [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

// Without a mirror to run the scan still ends with its summary line; the
// tool decides what that means for its exit status.
TEST(DriverScanTest, SummaryWithoutAnEnabledMirror) {
  ScanBench none(0);
  EXPECT_EQ(none.ScanTail(3), (Lines{"No mappings found. Use the configuration dialog to create a "
                                     "mirror.",
                                     "", "Logged no errors during this scan"}));
  ScanBench disabled(0);
  disabled.AddMirror("s/", "d/", 1, false);
  EXPECT_EQ(disabled.ScanTail(2), (Lines{"", "Logged no errors during this scan"}));
}

// Terminated during its first mirror, a scan starts no later one and its
// last line says so.
TEST(DriverScanTest, TerminationStartsNoLaterMirror) {
  ScanBench bench(2);
  MakeTree(bench.temp.path(), {"s/a.txt=a", "d/", "s2/b.txt=b", "d2/"});
  bench.front_end.on_line = [&bench](const std::string& line) {
    if (line == "Started scan") bench.thread->Terminate();
  };
  const Lines lines = bench.Scan();
  EXPECT_EQ(lines.back(), "Scanner terminated");
  EXPECT_FALSE(HasPart(lines, bench.temp / "s2/"));
  EXPECT_FALSE(PathExists(bench.temp / "d2/Quorvane archive"));
  EXPECT_FALSE(PathExists(bench.temp / "d2/b.txt"));
}

// A front end that shows a question and answers it later from its own
// thread, or stops the scan instead. The terminal's answers, given at once,
// are the tool's tests.
TEST(DriverScanTest, QuestionAnsweredLaterOrStopped) {
  const struct {
    bool stop;
    bool yes;
    uint16_t flags;  // the answer's, and what the caller gets back
  } cases[] = {
      {false, true, kConfirmDefaultYes}, {false, false, kConfirmMirrorScope}, {true, false, kAsk}};
  ScanBench bench;
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    TMirrorThread& thread = bench.NewThread();
    bench.front_end.lines.clear();
    std::thread front([&] {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      std::string status;
      while (!thread.mailbox().Take(&status) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
      }
      EXPECT_EQ(status, "Suspended mirror awaiting confirmation (Click here for dialog)");
      // A question that never came is not waited for.
      c.stop || status.empty() ? thread.Terminate() : thread.Answer(c.yes, c.flags);
    });
    uint16_t flags = kAsk;
    EXPECT_EQ(TScanGate(thread).Confirm("Overwrite /d/f?", "/s/f", "/d/f", &flags, ""), c.yes);
    front.join();
    EXPECT_EQ(flags, c.flags);
    EXPECT_EQ(thread.IsTerminated(), c.stop);
    const bool declined = !c.yes && !c.stop;  // a stop is not a No
    EXPECT_EQ(bench.front_end.lines,
              Lines(declined ? 1 : 0, "Error 125: Overwrite /d/f?. Operation canceled"));
    std::string status;
    EXPECT_TRUE(thread.mailbox().Take(&status));
    EXPECT_EQ(status, "Resumed scan");
  }
}

// The front end changes a setting while the scan waits for it at a known
// line; the lines after it show whether the scan took the change.
TEST(DriverScanTest, SwitchesChangedDuringTheScanHoldForWhatFollows) {
  const struct {
    const char* name;
    std::function<void(TConfigData&)> start;
    std::string trigger;  // the first line that begins with it
    std::function<void(TConfigData&)> change;
    std::string after;  // whether a later line holds it
    bool present;
    bool no_to_the_scan = false;  // the first question's answer; else Yes to each
  } kCases[] = {
      {"files no longer logged", [](TConfigData& c) { c.switches.log_create = true; },
       "Created file ", [](TConfigData& c) { c.switches.log_create = false; }, "Created file ",
       false},
      {"files logged", [](TConfigData& c) { c.switches.log_create = false; }, "Started scan",
       [](TConfigData& c) { c.switches.log_create = true; }, "Created file ", true},
      {"directories logged", [](TConfigData& c) { c.switches.log_create_dir = false; },
       "Started scan", [](TConfigData& c) { c.switches.log_create_dir = true; },
       "Created directorie ", true},
      {"confirm from the next mirror", [](TConfigData& c) { c.switches.confirm = false; },
       "Started scan", [](TConfigData& c) { c.switches.confirm = true; }, "(asked) ", true},
      {"no confirm from the next mirror", [](TConfigData& c) { c.switches.confirm = true; },
       "Mirror done", [](TConfigData& c) { c.switches.confirm = false; }, "(asked) ", false},
      {"suspends", [](TConfigData& c) { c.SetSuspendMillis(0); }, "Started scan",
       [](TConfigData& c) { c.SetSuspendMillis(60000); }, "(suspended 60000, then resumed)", true},
      {"suspends no more", [](TConfigData& c) { c.SetSuspendMillis(60000); }, "Started scan",
       [](TConfigData& c) { c.SetSuspendMillis(0); }, "(suspended", false},
      {"priority", [](TConfigData& c) { c.SetPriority(0); }, "Started scan",
       [](TConfigData& c) { c.SetPriority(5); }, "(priority 5)", true},
      // Taken by the mirror that starts next, kept to its end: counted in
      // the second mirror's excluded folder, not in the first's.
      {"excluded folders counted", [](TConfigData& c) { c.switches.scan_excluded_dirs = false; },
       "Started scan", [](TConfigData& c) { c.switches.scan_excluded_dirs = true; },
       "s2/skip/ reports ", true},
      {"excluded folders not counted midway",
       [](TConfigData& c) { c.switches.scan_excluded_dirs = false; }, "Started scan",
       [](TConfigData& c) { c.switches.scan_excluded_dirs = true; }, "/s/skip/ reports ", false},
      // Confirm off lets updates go ahead again after a No for the scan.
      {"updates after confirm off", [](TConfigData& c) { c.switches.confirm = true; },
       "Canceling the ", [](TConfigData& c) { c.switches.confirm = false; }, "(asked) ", false,
       true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ScanBench bench(2);
    MakeTree(bench.temp.path(), {"s/a.txt=a", "s/b.txt=b", "s/sub/c.txt=c", "s/skip/g=g", "d/",
                                 "s2/e.txt=e", "s2/sub/f.txt=f", "s2/skip/g=g", "d2/"});
    {
      TQVIniFile ini(bench.platform, bench.temp / "settings.db");
      for (const char* skip : {"s/skip/", "s2/skip/"}) {
        ASSERT_TRUE(SaveNewFilter(ini, bench.temp / skip, true, 0, true, nullptr));
      }
    }
    c.start(bench.config);
    bench.front_end.yes_at_once = !c.no_to_the_scan;
    bench.front_end.no_to_the_scan = c.no_to_the_scan;
    bench.front_end.hidden = true;
    bench.front_end.on_arm = [&bench](int64_t millis) {
      const bool told = bench.thread->IsSuspended();
      bench.thread->Resume();
      const bool resumed = !bench.thread->IsSuspended();
      bench.front_end.lines.push_back("(suspended " + std::to_string(millis) +
                                      (told && resumed ? ", then resumed)" : ", not told)"));
    };
    bench.platform.on_priority = [&bench](int priority) {
      bench.front_end.lines.push_back("(priority " + std::to_string(priority) + ")");
    };
    bool changed = false;
    bench.front_end.on_line = [&](const std::string& line) {
      if (changed || !line.starts_with(c.trigger)) return;
      changed = true;
      TConfigData config = bench.config;
      c.change(config);
      bench.thread->SetSwitches(config.switches);
      bench.thread->SetSuspendMillis(config.suspend_millis());
      bench.thread->SetPriority(config.priority());
    };
    const Lines lines = bench.Scan();
    const auto trigger = std::ranges::find_if(
        lines, [&](const std::string& line) { return line.starts_with(c.trigger); });
    ASSERT_NE(trigger, lines.end());
    EXPECT_EQ(std::any_of(
                  trigger + 1, lines.end(),
                  [&](const std::string& line) { return line.find(c.after) != std::string::npos; }),
              c.present)
        << ::testing::PrintToString(lines);
    EXPECT_EQ(ReadFile(bench.temp / "d2/sub/f.txt"), "f");
    EXPECT_FALSE(bench.thread->IsSuspended());
  }
}

// The user removes the first mirror while the scan runs it (the window's
// configuration dialog, or mirror remove in another process): what the scan
// stores about that mirror afterwards must not bring its key back, unless
// the mirror was added again; the other mirror's counters are stored.
TEST(DriverScanTest, AMirrorRemovedDuringTheScanStaysRemoved) {
  const struct {
    std::string trigger;  // the first line that begins with it
    bool added_again;
  } kCases[] = {{"Started scan", false}, {"Created file ", false}, {"Started scan", true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.trigger + (c.added_again ? ", added again" : ""));
    ScanBench bench(2);
    MakeTree(bench.temp.path(), {"s/a.txt=a", "s/sub/b.txt=b", "d/", "s2/e.txt=e", "d2/"});
    TQVIniFile other(bench.platform, bench.temp / "settings.db");
    const std::string key = TMapping(other, bench.temp / "d/").key();
    bool removed = false;
    bench.front_end.on_line = [&](const std::string& line) {
      if (removed || !line.starts_with(c.trigger)) return;
      removed = true;
      ASSERT_TRUE(other.DeleteKey(key));
      if (c.added_again) bench.AddMirror("s/", "d/", 1);
    };
    const Lines lines = bench.Scan();
    ASSERT_TRUE(removed);
    EXPECT_EQ(ReadFile(bench.temp / "d/sub/b.txt"), "b");  // the scan went on
    EXPECT_EQ(other.KeyExists(key), c.added_again) << ::testing::PrintToString(lines);
    TCounts counts;
    EXPECT_EQ(other.ReadCounters(key + kSourceSubkey, &counts), c.added_again);
    const std::string key2 = TMapping(other, bench.temp / "d2/").key();
    EXPECT_TRUE(other.ReadCounters(key2 + kSourceSubkey, &counts));
    EXPECT_EQ(counts.files, 1);
  }
}

}  // namespace
}  // namespace qv::testing
