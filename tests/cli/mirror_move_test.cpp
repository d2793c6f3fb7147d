// A mirror inside another's source: the commands that let it join or leave
// the scans say which folder moves between the destinations, and the scans
// then move it so; a disabled inner mirror leaves its folder in the outer one.

#include <string>

#include <gtest/gtest.h>

#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

using MirrorMoveTest = CliTest;

TEST_F(MirrorMoveTest, NestedMirrorsMoveTheirFolderAndSaySo) {
  MakeTree(At(""), {"src/inner/x.txt=x", "src/outer.txt=o", "dst/", "idst/"});
  RunOk({"mirror", "add", "@src", "@dst"});
  RunOk({"scan"});
  ASSERT_TRUE(PathExists(At("dst/inner/x.txt")));
  const std::string warning =
      "quorvane-cli: warning: @src/inner/ lies inside @src/, the source "
      "of the mirror to @dst/: at the next scan the folder moves from ";
  const struct {
    std::vector<std::string> command;
    std::string said;  // on standard error
    bool in_outer;     // where the folder is after the next scan
    bool in_inner;
  } kSteps[] = {
      {{"mirror", "add", "@src/inner", "@idst"},
       warning + "@dst/inner/ (into that mirror's archive) to @idst/\n",
       false,
       true},
      {{"mirror", "disable", "@idst"}, warning + "@idst/ to @dst/inner/\n", true, true},
      {{"mirror", "disable", "@idst"}, "", true, true},
      {{"mirror", "enable", "@idst"},
       warning + "@dst/inner/ (into that mirror's archive) to @idst/\n",
       false,
       true},
      {{"mirror", "remove", "@idst"}, warning + "@idst/ to @dst/inner/\n", true, true},
      {{"mirror", "add", "--disabled", "@src/inner", "@idst"}, "", true, true},
      {{"set", "AutoFilter", "no"}, "", true, true},
      {{"mirror", "enable", "@idst"}, "", true, true},
  };
  for (const auto& step : kSteps) {
    SCOPED_TRACE(step.command[1] + " " + step.command.back());
    const CliRun run = Run(step.command);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, Expand(step.said));
    RunOk({"scan"});
    EXPECT_EQ(PathExists(At("dst/inner/x.txt")), step.in_outer);
    EXPECT_EQ(PathExists(At("idst/x.txt")), step.in_inner);
  }
}

}  // namespace
}  // namespace qv::testing
