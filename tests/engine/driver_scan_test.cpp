#include <algorithm>
#include <atomic>
#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "engine/front_end.h"
#include "engine/mirror_thread.h"
#include "filesys/platform_wrapper.h"
#include "stats/mirror_info.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

constexpr uint16_t kAsk = kConfirmAsk | kConfirmDirScope | kConfirmMirrorScope;
constexpr uint16_t kYes = kConfirmDefaultYes;

// Records the lines (read them once the scan has ended); scripts answer
// questions and react to lines, statistics and the wake-up timer.
class RecordingFrontEnd : public TFrontEnd {
 public:
  void AddLogLine(const std::string& text, bool) override {
    lines.push_back(text);
    on_line(text);
  }
  bool SetLogFileName(const std::string&) override { return true; }
  void UpdateCurrentMirrorStats() override { on_stats(); }
  void UpdateMirrorStats(const std::string&) override {}
  void FlushLog() override {}
  bool PrepareConfirm(const std::string&, const std::string&, const std::string&,
                      const std::string&, uint16_t* flags) override {
    ++questions;
    return prepare(flags);
  }
  void ArmWakeUpTimer(int64_t millis) override {
    armed.push_back(millis);
    on_arm();
  }
  bool IsMinimised() override { return minimised; }
  bool IsHiddenInTray() override { return hidden_in_tray; }
  void ScanEnded() override { ended = true; }

  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_line = [](const std::string&) {};
  std::function<void()> on_stats = [] {};
  std::function<bool(uint16_t*)> prepare;
  std::function<void()> on_arm;
  std::atomic<bool> minimised{false};
  bool hidden_in_tray = false;
  bool ended = false;
  int questions = 0;
  std::vector<int64_t> armed;
};

// The real platform with a scripted idle time (nullopt: no such service). The
// scan threads keep their priority: an idle one would crawl on a busy machine.
class ScriptedPlatform : public PlatformWrapper {
 public:
  ScriptedPlatform() : PlatformWrapper(DefaultPlatform()) {}
  Status SetThreadPriority(int) override { return Status::Ok(); }
  Status MillisSinceLastInput(int64_t* millis) override {
    *millis = idle_millis.value_or(0);
    return Status::FromErrno(idle_millis ? 0 : ENOSYS);
  }
  std::optional<int64_t> idle_millis;
};

// One scan's world: a temporary store, the settings and the doubles. Tests
// that call scan-thread methods act as the scan thread.
struct ScanBench {
  void AddMapping(const std::string& source, const std::string& destination) {
    TMapping mapping(*ini, temp / destination);
    mapping.SetSource(temp / source);
    ASSERT_TRUE(mapping.Save());
  }
  TMirrorThread& NewThread() {
    thread = std::make_unique<TMirrorThread>(platform, config, options, front_end);
    return *thread;
  }
  const std::vector<std::string>& RunScan() {
    if (!thread) NewThread();
    thread->Start();
    thread->Join();
    EXPECT_TRUE(front_end.ended);
    return front_end.lines;
  }

  ScopedTempDir temp;
  ScriptedPlatform platform;
  std::unique_ptr<TQVIniFile> ini = std::make_unique<TQVIniFile>(platform, temp / "settings.db");
  TConfigData config;
  TScanOptions options{temp / "settings.db", 50};
  RecordingFrontEnd front_end;
  std::unique_ptr<TMirrorThread> thread;
};

using Lines = std::vector<std::string>;
const char kOneError[] = "Logged 1 error for all mirrors during this scan";

// The last n lines of a scan of bench that ends before its mirror s/ -> d/.
Lines ScanTail(ScanBench& bench, size_t n) {
  const Lines lines = bench.RunScan();
  EXPECT_EQ(lines.front(), "Scan started");
  EXPECT_FALSE(PathExists(bench.temp / "d"));
  return Lines(lines.end() - std::min(n, lines.size()), lines.end());
}

TEST(DriverScanTest, SummaryCountsTheErrorsOfTheScan) {
  ScanBench none;
  EXPECT_EQ(none.RunScan().back(), "Logged no errors during this scan");
  ScanBench rejected;
  rejected.AddMapping("d/s/", "d/");  // a source inside its destination
  EXPECT_EQ(rejected.RunScan().back(), kOneError);
}

TEST(DriverScanTest, TerminationOrExceptionEndsTheScanEarly) {
  ScanBench first;
  first.AddMapping("s/", "d/");
  first.NewThread().Terminate();
  EXPECT_EQ(ScanTail(first, 9), (Lines{"Scan started", "", "Scanner terminated"}));
  ScanBench during;
  during.AddMapping("s/", "d/");
  during.front_end.on_line = [&](const std::string& line) {
    if (line.rfind("Thread priority", 0) == 0) during.thread->Terminate();
  };
  EXPECT_EQ(ScanTail(during, 2), (Lines{"", "Scanner terminated"}));
  ScanBench thrown;  // ends without summary
  thrown.front_end.on_line = [](const std::string& line) {
    if (line.rfind("Thread priority", 0) == 0) throw std::runtime_error("exploded");
  };
  EXPECT_EQ(ScanTail(thrown, 2), (Lines{"Thread priority System idle", "Error: exploded"}));
}

TEST(DriverScanTest, UnreadableStoreCancelsTheScanWithOneError) {
  for (const bool locked : {false, true}) {
    ScanBench bench;
    bench.AddMapping("s/", "d/");
    sqlite3* holder = nullptr;
    if (locked) {
      ASSERT_EQ(sqlite3_open(bench.options.settings_path.c_str(), &holder), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    } else {
      bench.ini.reset();
      WriteFile(bench.options.settings_path, std::string(4096, 'x'));
    }
    EXPECT_EQ(ScanTail(bench, 3)[0].rfind("Error: Cannot read the settings store ", 0), 0u);
    EXPECT_EQ(bench.front_end.lines.back(), kOneError);
    EXPECT_EQ(bench.thread->error_count(), 1);
    sqlite3_close(holder);
  }
}

TEST(DriverScanTest, BackupOnlySavesTheRegistryAndSkipsTheMirrors) {
  ScanBench bench;
  bench.AddMapping("s/", "d/");
  ASSERT_TRUE(bench.ini->WriteBackupDir(bench.temp / "backup"));
  ASSERT_TRUE(bench.ini->WriteHiveListKey(""));
  ASSERT_TRUE(bench.ini->WriteString(std::string(kRegistryKey) + "\\SaveKeys\\1", "",
                                     "HKEY_CURRENT_USER\\Software\\KZ"));
  bench.options.backup_registry = 3;
  EXPECT_EQ(ScanTail(bench, 3),
            (Lines{"Saved HKEY_CURRENT_USER\\Software\\KZ",
                   "Skipped mirrors because backup registry only specified", ""}));
  EXPECT_TRUE(bench.thread->registry_backed_up());
}

TEST(DriverScanTest, RealMirrorCopiesAFileAndShowsItsCounters) {
  ScanBench bench;
  bench.AddMapping("s/", "d/");
  MakeDirs(bench.temp / "s");
  MakeDirs(bench.temp / "d");
  WriteFile(bench.temp / "s/a.txt", "contents");
  std::string shown;
  bench.front_end.on_stats = [&] {
    TMirrorInfo info;
    if (bench.thread->current().Snapshot(&info)) shown = info.source_dir();
  };
  const std::vector<std::string> lines = bench.RunScan();
  EXPECT_EQ(ReadFile(bench.temp / "d/a.txt"), "contents");
  EXPECT_EQ(lines.back(), "Logged no errors during this scan");
  EXPECT_EQ(shown, bench.temp / "s/");
  EXPECT_EQ(bench.thread->progress().weighted_total, 2);  // nothing stored yet: 1 + 1
}

TEST(DriverScanTest, ScopeOfAnAnswer) {
  const uint16_t all = kAsk | kYes | kConfirmNewItem;
  const struct {
    bool yes;
    TConfirmScope scope;
    uint16_t in, out;
  } cases[] = {
      {false, TConfirmScope::kThisUpdate, all, all},
      {true, TConfirmScope::kDirectory, kAsk, kConfirmDirScope | kConfirmMirrorScope | kYes},
      {false, TConfirmScope::kDirectory, all,
       kConfirmDirScope | kConfirmMirrorScope | kConfirmNewItem},
      {true, TConfirmScope::kMirror, kAsk, kConfirmMirrorScope | kYes},
      {false, TConfirmScope::kMirror, all, kConfirmMirrorScope | kConfirmNewItem},
      {true, TConfirmScope::kScan, kAsk, kYes},
      {false, TConfirmScope::kScan, all, kConfirmNewItem},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ApplyConfirmScope(c.yes, c.scope, c.in), c.out) << static_cast<int>(c.scope);
  }
}

TEST(DriverScanTest, QuestionsAnsweredAtOnceLaterOrNever) {
  enum How { kFlags, kNow, kLater, kStopped };
  const struct {
    uint16_t flags;
    How how;
    bool answer;
    uint16_t answer_flags;  // the front end's, and what the caller gets back
  } cases[] = {
      {kYes, kFlags, true, kYes},
      {kConfirmDirScope, kFlags, false, kConfirmDirScope},
      {kAsk | kYes, kNow, true, kYes},
      {kAsk, kNow, false, kAsk | kConfirmTerminate},
      {kAsk, kLater, false, kConfirmMirrorScope},
      {kAsk, kStopped, false, kAsk},
  };
  ScanBench bench;
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    TMirrorThread& thread = bench.NewThread();
    bench.front_end.lines.clear();
    bench.front_end.prepare = [&](uint16_t* flags) {
      *flags = c.how == kNow ? c.answer_flags : *flags | kConfirmWaiting;
      return c.answer;
    };
    std::thread front([&] {  // the front end's thread, for a question that waits
      std::string status;
      while (c.how >= kLater && !thread.mailbox().Take(&status)) std::this_thread::yield();
      const char* shown = "Suspended mirror awaiting confirmation (Click here for dialog)";
      EXPECT_EQ(status, c.how >= kLater ? shown : "");
      if (c.how == kLater) thread.Answer(c.answer, c.answer_flags);
      if (c.how == kStopped) thread.Terminate();
    });
    uint16_t flags = c.flags;
    EXPECT_EQ(TScanGate(thread).Confirm("Overwrite /d/f?", "/s/f", "/d/f", &flags, ""), c.answer);
    front.join();
    EXPECT_EQ(flags, c.answer_flags);
    EXPECT_EQ(thread.IsTerminated(), c.how == kStopped || (flags & kConfirmTerminate) != 0);
    const bool declined = !c.answer && c.how != kStopped;  // a stop is not a No
    EXPECT_EQ(bench.front_end.lines,
              Lines(declined ? 1 : 0, "Error 125: Overwrite /d/f?. Operation canceled"));
    std::string status;
    EXPECT_EQ(thread.mailbox().Take(&status), c.how >= kLater);
    EXPECT_EQ(status, c.how >= kLater ? "Resumed scan" : "");
  }
  EXPECT_EQ(bench.front_end.questions, 4);
}

TEST(DriverScanTest, SuspendsAfterInputOnlyWhenHiddenInTrayAndConfigured) {
  const struct {
    bool hidden;
    int setting;
    std::optional<int64_t> idle;  // nullopt: no input service
    std::vector<int64_t> armed;
  } cases[] = {
      {true, 5000, 1200, {3800}}, {true, 5000, 5000, {}},         {false, 5000, 0, {}},
      {true, 0, 0, {}},           {true, 5000, std::nullopt, {}},
  };
  ScanBench bench;
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    bench.front_end.armed.clear();
    bench.front_end.hidden_in_tray = c.hidden;
    bench.config.SetSuspendMillis(c.setting);
    bench.platform.idle_millis = c.idle;
    TMirrorThread& thread = bench.NewThread();
    // A resume that comes before the thread waits must not be lost.
    bench.front_end.on_arm = [&] { thread.Resume(); };
    EXPECT_TRUE(thread.CheckSuspend());
    EXPECT_EQ(bench.front_end.armed, c.armed);
  }
}

TEST(DriverScanTest, StatusKeepsTheLatestTextAndSkipsAMinimisedWindow) {
  ScanBench bench;
  TLogger& logger = bench.NewThread().logger();
  std::string text = "before";
  bench.front_end.minimised = true;
  logger.SetStatus("dropped");
  EXPECT_FALSE(bench.thread->mailbox().Take(&text));
  bench.front_end.minimised = false;
  logger.SetStatus("first");
  logger.SetStatus("Copying a\nb");
  EXPECT_TRUE(bench.thread->mailbox().Take(&text));
  EXPECT_EQ(text, "Copying a\\x0Ab");
  EXPECT_FALSE(bench.thread->mailbox().Take(&text));
}

}  // namespace
}  // namespace qv::testing
