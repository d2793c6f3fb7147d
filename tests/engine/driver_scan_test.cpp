#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "engine/front_end.h"
#include "engine/mirror_thread.h"
#include "filesys/platform_wrapper.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

constexpr uint16_t kAsk = kConfirmAsk | kConfirmDirScope | kConfirmMirrorScope;
constexpr uint16_t kYes = kConfirmDefaultYes;

// Records the lines (read them once the scan has ended); scripts answer
// questions and react to lines and the wake-up timer.
class RecordingFrontEnd : public TFrontEnd {
 public:
  void AddLogLine(const std::string& text, bool) override {
    lines.push_back(text);
    on_line(text);
  }
  bool SetLogFileName(const std::string&) override { return true; }
  void UpdateCurrentMirrorStats() override {}
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
  bool IsMinimised() override { return false; }
  bool IsHiddenInTray() override { return hidden_in_tray; }
  void ScanEnded() override { ended = true; }

  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_line = [](const std::string&) {};
  std::function<bool(uint16_t*)> prepare;
  std::function<void()> on_arm;
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

// One scan's world: a temporary store holding a mirror of source (none when
// null) onto d/, the settings and the doubles. Tests that call scan-thread
// methods act as the scan thread.
struct ScanBench {
  explicit ScanBench(const char* source = "s/") {
    if (source == nullptr) return;
    TMapping mapping(*ini, temp / "d/");
    mapping.SetSource(temp / source);
    EXPECT_TRUE(mapping.Save());
  }
  TMirrorThread& NewThread() {
    thread = std::make_unique<TMirrorThread>(platform, config, options, front_end);
    return *thread;
  }
  // The last n lines of a scan that ends before the mirror.
  std::vector<std::string> ScanTail(size_t n) {
    if (!thread) NewThread();
    thread->Start();
    thread->Join();
    EXPECT_TRUE(front_end.ended);
    const std::vector<std::string>& lines = front_end.lines;
    EXPECT_EQ(lines.front(), "Scan started");
    EXPECT_FALSE(PathExists(temp / "d"));
    return {lines.end() - std::min(n, lines.size()), lines.end()};
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

TEST(DriverScanTest, SummaryCountsTheErrorsAndAnExceptionEndsTheScan) {
  EXPECT_EQ(ScanBench(nullptr).ScanTail(1), Lines{"Logged no errors during this scan"});
  EXPECT_EQ(ScanBench("d/s/").ScanTail(1), Lines{kOneError});  // source inside destination
  ScanBench thrown;
  thrown.front_end.on_line = [](const std::string& line) {
    if (line.rfind("Thread priority", 0) == 0) throw std::runtime_error("exploded");
  };
  EXPECT_EQ(thrown.ScanTail(2), (Lines{"Thread priority System idle", "Error: exploded"}));
}

TEST(DriverScanTest, UnreadableStoreCancelsTheScanBeforeAnyMirror) {
  ScanBench bench;
  sqlite3* holder = nullptr;  // another writer
  ASSERT_EQ(sqlite3_open(bench.options.settings_path.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  const std::vector<std::string> tail = bench.ScanTail(3);
  EXPECT_EQ(tail[0].rfind("Error: Cannot read the settings store ", 0), 0u) << tail[0];
  EXPECT_EQ(tail[2], kOneError);
  EXPECT_EQ(bench.thread->error_count(), 1);
  sqlite3_close(holder);
}

TEST(DriverScanTest, BackupOnlySavesTheRegistryAndSkipsTheMirrors) {
  ScanBench bench;
  ASSERT_TRUE(bench.ini->WriteBackupDir(bench.temp / "backup"));
  ASSERT_TRUE(bench.ini->WriteHiveListKey(""));
  ASSERT_TRUE(bench.ini->WriteString(std::string(kRegistryKey) + "\\SaveKeys\\1", "",
                                     "HKEY_CURRENT_USER\\Software\\KZ"));
  bench.options.backup_registry = 3;
  EXPECT_EQ(bench.ScanTail(3),
            (Lines{"Saved HKEY_CURRENT_USER\\Software\\KZ",
                   "Skipped mirrors because backup registry only specified", ""}));
  EXPECT_TRUE(bench.thread->registry_backed_up());
}

TEST(DriverScanTest, ScopeOfAnAnswer) {
  const uint16_t all = kAsk | kYes | kConfirmNewItem;
  const uint16_t mirror_on = kConfirmMirrorScope | kConfirmNewItem;
  const std::tuple<bool, TConfirmScope, uint16_t, uint16_t> cases[] = {
      // yes, scope, in, out
      {false, TConfirmScope::kThisUpdate, all, all},
      {true, TConfirmScope::kDirectory, kAsk, kConfirmDirScope | kConfirmMirrorScope | kYes},
      {false, TConfirmScope::kDirectory, all, kConfirmDirScope | mirror_on},
      {true, TConfirmScope::kMirror, kAsk, kConfirmMirrorScope | kYes},
      {false, TConfirmScope::kMirror, all, mirror_on},
      {true, TConfirmScope::kScan, kAsk, kYes},
      {false, TConfirmScope::kScan, all, kConfirmNewItem},
  };
  for (const auto& [yes, scope, in, out] : cases) {
    EXPECT_EQ(ApplyConfirmScope(yes, scope, in), out) << static_cast<int>(scope);
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
  // Hidden in the tray, the setting, the idle time (nullopt: no input
  // service) and the wake-up timers armed.
  const std::tuple<bool, int, std::optional<int64_t>, std::vector<int64_t>> cases[] = {
      {true, 5000, 1200, {3800}}, {true, 5000, 5000, {}},         {false, 5000, 0, {}},
      {true, 0, 0, {}},           {true, 5000, std::nullopt, {}},
  };
  ScanBench bench;
  for (const auto& [hidden, setting, idle, armed] : cases) {
    SCOPED_TRACE(::testing::Message() << hidden << " " << setting << " " << idle.value_or(-1));
    bench.front_end.armed.clear();
    bench.front_end.hidden_in_tray = hidden;
    bench.config.SetSuspendMillis(setting);
    bench.platform.idle_millis = idle;
    TMirrorThread& thread = bench.NewThread();
    // A resume that comes before the thread waits must not be lost.
    bench.front_end.on_arm = [&] { thread.Resume(); };
    EXPECT_TRUE(thread.CheckSuspend());
    EXPECT_EQ(bench.front_end.armed, armed);
  }
}

}  // namespace
}  // namespace qv::testing
