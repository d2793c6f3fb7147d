// What scans share with other programs: a destination that another scan is
// updating, and a settings file that refuses every write.

#include <set>
#include <string>

#include <signal.h>
#include <sys/wait.h>

#include "tests/e2e/tool_test.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

constexpr size_t kMiB = size_t{1} << 20;

using SharedStateTest = ToolTest;

// The first scan is stopped (SIGSTOP) while it copies; a second scan leaves
// that destination alone, its copy in progress too, and says who holds it.
// kill -9 of the first frees the destination for the next scan.
TEST_F(SharedStateTest, SecondScanLeavesADestinationInUseAlone) {
  AddMirror();
  const std::string pool = RandomBytes(16 * kMiB, 7);
  for (size_t i = 0; i < 4; ++i) {
    WriteFile(At("src/big" + std::to_string(i) + ".bin"), pool.substr(i * kMiB, 12 * kMiB));
  }
  const pid_t first = Start({"scan"});
  const std::set<std::string> copying = StopWhileCopying(first);
  ASSERT_FALSE(copying.empty()) << "the scan ended before it was stopped copying";

  const ToolRun second = Run({"scan"});

  EXPECT_EQ(second.code, 1);
  EXPECT_TRUE(Has(second.out, "\nError: Another scan is updating " + At("dst/") + " (process " +
                                  std::to_string(first) +
                                  " (quorvane-cli)); this mirror is left to it.\n"))
      << second.out;
  EXPECT_EQ(Unfinished(At("dst")), copying);

  kill(first, SIGKILL);
  EXPECT_EQ(Wait(first).code, -SIGKILL);
  const std::string out = RunOk({"scan"});
  // The second scan left the first one's mark on the archive's counters.
  EXPECT_TRUE(Has(out, "\nScanning archive " + At("dst/Quorvane archive/") + "...\n")) << out;
  EXPECT_TRUE(Has(out, "\nRemoved unfinished copy " + At("dst/") + *copying.begin() + "\n"));
  for (size_t i = 0; i < 4; ++i) {
    const std::string name = "big" + std::to_string(i) + ".bin";
    EXPECT_TRUE(ReadFile(At("dst/" + name)) == pool.substr(i * kMiB, 12 * kMiB)) << name;
  }
}

// The mirrors are made; what they found cannot be stored, which is one
// error for each of them, and the scan's status says so.
TEST_F(SharedStateTest, SettingsFileThatRefusesWritesIsOneErrorPerMirror) {
  AddMirror();
  MakeTree(At(""), {"src/a.txt=a", "src2/a.txt=a", "dst2/"});
  RunOk({"mirror", "add", At("src2"), At("dst2")});
  const std::string settings = At("settings.db");
  const std::string before = ReadFile(settings);
  ScopedBindMount read_only(settings, settings, true);
  SKIP_UNLESS_MOUNTED(read_only);

  const ToolRun run = Run({"scan"});

  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(Has(run.out,
                  "\nError: What this mirror found could not be stored: Cannot write "
                  "the settings store " +
                      settings + ": attempt to write a readonly database\n"))
      << run.out;
  EXPECT_TRUE(Has(run.out, "\nLogged 2 errors for all mirrors during this scan\n")) << run.out;
  EXPECT_EQ(ReadFile(At("dst/a.txt")), "a");
  EXPECT_EQ(ReadFile(At("dst2/a.txt")), "a");
  EXPECT_EQ(ReadFile(settings), before);
}

}  // namespace
}  // namespace qv::testing
