#ifndef QUORVANE_TESTS_E2E_TOOL_TEST_H_
#define QUORVANE_TESTS_E2E_TOOL_TEST_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/types.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {

struct ToolRun {
  int code = -1;  // exit status, or minus the signal that ended the process
  std::string out;
  std::string err;
};

// Runs the built headless tool (named by QUORVANE_CLI) as a process of its
// own, on one settings file in a fresh temporary directory, without a
// terminal. Skips when the tool is not named.
class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // Starts the tool with args and --settings; its output goes to files.
  pid_t Start(const std::vector<std::string>& args);
  // Waits for the process and collects its output.
  ToolRun Wait(pid_t pid);
  ToolRun Run(const std::vector<std::string>& args) { return Wait(Start(args)); }
  // Expects status 0 and nothing on standard error; answers standard output.
  std::string RunOk(const std::vector<std::string>& args);
  // Waits until the scan pid copies into dst/ (an unfinished copy shows
  // there) or ends, a minute at most, without reaping it; answers whether it
  // copies.
  bool UntilCopying(pid_t pid);
  // Stops the scan pid (SIGSTOP) while a copy into dst/ stands half done;
  // answers the names of the unfinished copies then, none when the scan
  // ended or did not copy within a minute.
  std::set<std::string> StopWhileCopying(pid_t pid);
  // Adds the mirror dir/src -> dir/dst, whose scan thread runs at normal
  // priority (an idle one could crawl on a busy machine).
  void AddMirror();
  std::string At(const std::string& relative) const { return dir_ / relative; }

  ScopedTempDir dir_;
  std::string cli_;
  // The stack limit the tool starts with, in bytes (0: the test's own); the
  // scan thread's stack takes the same size.
  uint64_t stack_limit_ = 0;
  // When not -1, the tool's standard output instead of out.txt.
  int stdout_fd_ = -1;
};

uint64_t Hash(const std::string& bytes);
// size bytes of the random stream seeded with seed.
std::string RandomBytes(size_t size, uint64_t seed);
bool Has(const std::string& text, const std::string& part);
// The names of the unfinished copies in dir.
std::set<std::string> Unfinished(const std::string& dir);

// Every entry below root by its path below root: "dir/" -> "", a file ->
// its content hash, a link -> "-> target". The archive is left out unless
// with_archive.
std::map<std::string, std::string> Listing(const std::string& root, bool with_archive = false);

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_E2E_TOOL_TEST_H_
