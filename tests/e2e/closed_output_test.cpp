// A scan whose standard output nobody reads any more, as in
// `quorvane-cli scan | head`: the output ends, the scan does not.

#include <filesystem>
#include <string>

#include <unistd.h>

#include "tests/e2e/tool_test.h"

namespace qv::testing {
namespace {

using ClosedOutputTest = ToolTest;

TEST_F(ClosedOutputTest, ScanGoesOnAndSavesItsLogWithItsOwnStatus) {
  AddMirror();
  for (int i = 0; i < 20; ++i) WriteFile(At("src/f" + std::to_string(i)), std::to_string(i));
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  close(pipe_ends[0]);  // the reader is gone before the first line
  stdout_fd_ = pipe_ends[1];
  const pid_t pid = Start({"scan"});
  close(pipe_ends[1]);
  stdout_fd_ = -1;
  const ToolRun run = Wait(pid);
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Listing(At("dst/")), Listing(At("src/")));
  const std::filesystem::directory_iterator logs(At("dst/Quorvane archive/Logs"));
  ASSERT_NE(logs, std::filesystem::directory_iterator());
  EXPECT_TRUE(Has(ReadFile(logs->path()), "\nLogged no errors during this scan\nScan done in "));
}

}  // namespace
}  // namespace qv::testing
