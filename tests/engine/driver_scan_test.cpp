#include <algorithm>
#include <functional>
#include <memory>
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
  bool PrepareConfirm(const std::string&, const std::string&, const std::string&,
                      const std::string&, uint16_t* flags) override {
    *flags |= kConfirmWaiting;
    return false;
  }
  void ArmWakeUpTimer(int64_t) override {}
  bool IsMinimised() override { return false; }
  bool IsHiddenInTray() override { return false; }
  void ScanEnded() override { ended = true; }

  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_line = [](const std::string&) {};
  bool ended = false;
};

// The real platform, but the scan threads keep their priority: an idle one
// would crawl on a busy machine.
class NormalPriorityPlatform : public PlatformWrapper {
 public:
  NormalPriorityPlatform() : PlatformWrapper(DefaultPlatform()) {}
  Status SetThreadPriority(int) override { return Status::Ok(); }
};

// One scan's world: a temporary store holding a mirror of s/ onto d/,
// the settings and the doubles. Tests that call scan-thread
// methods act as the scan thread.
struct ScanBench {
  ScanBench() {
    TQVIniFile ini(platform, temp / "settings.db");
    TMapping mapping(ini, temp / "d/");
    mapping.SetSource(temp / "s/");
    EXPECT_TRUE(mapping.Save());
  }
  TMirrorThread& NewThread() {
    thread = std::make_unique<TMirrorThread>(platform, config, options, front_end);
    return *thread;
  }
  // The last n lines of a scan that ends before the mirror.
  std::vector<std::string> ScanTail(size_t n) {
    NewThread().Start();
    thread->Join();
    EXPECT_TRUE(front_end.ended);
    const std::vector<std::string>& lines = front_end.lines;
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
  ScanBench bench;
  const std::string d = bench.temp / "d/";
  const std::string d2 = bench.temp / "d2/";
  {
    TQVIniFile ini(bench.platform, bench.options.settings_path);
    TMapping second(ini, d2);
    second.SetSource(bench.temp / "s2/");
    ASSERT_TRUE(second.Save());
    ASSERT_TRUE(ini.WriteCounters(TMapping(ini, d).key() + kSourceSubkey, TCounts{.files = 300}));
    ASSERT_TRUE(ini.WriteCounters(second.key() + kSourceSubkey, TCounts{.files = 20}));
  }
  const std::pair<std::vector<std::string>, int32_t> kCases[] = {
      {{}, 1 + 301 + 21}, {{d2}, 1 + 21}, {{d2, d}, 1 + 301 + 21}};
  for (const auto& [chosen, total] : kCases) {
    bench.options.destinations = chosen;
    TMirrorThread& thread = bench.NewThread();
    thread.Start();
    thread.Join();
    EXPECT_EQ(thread.progress().weighted_total, total) << chosen.size();
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
      std::string status;
      while (!thread.mailbox().Take(&status)) std::this_thread::yield();
      EXPECT_EQ(status, "Suspended mirror awaiting confirmation (Click here for dialog)");
      c.stop ? thread.Terminate() : thread.Answer(c.yes, c.flags);
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

}  // namespace
}  // namespace qv::testing
