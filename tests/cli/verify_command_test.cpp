// verify on mirrors that real scans made, each changed afterwards in one way:
// every difference is one line, the exit status says whether there was one,
// and nothing changes.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

// Bytes written over a file, its size and write time kept.
void OverwriteKeepingTime(const std::string& path, const std::string& text) {
  const fs::file_time_type written = fs::last_write_time(path);
  WriteFile(path, text);
  fs::last_write_time(path, written);
}

class VerifyCommandTest : public CliTest {};

TEST_F(VerifyCommandTest, ReportsEachDifferenceAsTheScanWouldSeeIt) {
  struct Case {
    std::function<void(const std::string& dst)> change;
    std::vector<std::string> options;
    int code;
    std::string lines;  // the differences; "@" is the destination
  };
  const Case cases[] = {
      {[](const std::string&) {}, {"--data"}, 0, ""},
      {[](const std::string& d) { OverwriteKeepingTime(d + "a.txt", "hellp"); }, {}, 0, ""},
      {[](const std::string& d) { OverwriteKeepingTime(d + "a.txt", "hellp"); },
       {"--data"},
       1,
       "@a.txt: content differs\n"},
      {[](const std::string& d) { fs::remove(d + "sub/b.txt"); },
       {},
       1,
       "@sub/b.txt: missing from the mirror\n"},
      {[](const std::string& d) { WriteFile(d + "sub/extra", ""); },
       {},
       1,
       "@sub/extra: not in the source\n"},
      {[](const std::string& d) { fs::permissions(d + "a.txt", fs::perms(0600)); },
       {},
       1,
       "@a.txt: mode differs: source 0644, mirror 0600\n"},
      {[](const std::string& d) {
         fs::remove(d + "sub/b.txt");
         fs::create_directory(d + "sub/b.txt");
       },
       {},
       1,
       "@sub/b.txt/: type differs: the source holds a file, the mirror a folder\n"},
      {[](const std::string& d) { OverwriteKeepingTime(d + "a.txt", "hello, world"); },
       {},
       1,
       "@a.txt: size differs: source 5 bytes, mirror 12 bytes\n"},
  };
  RunOk({"filter", "add", "excluded source", "*.tmp"});
  for (size_t n = 0; n < std::size(cases); ++n) {
    const std::string name = std::to_string(n);
    MakeTree(At(""), {"src" + name + "/a.txt=hello", "src" + name + "/sub/b.txt=world",
                      "src" + name + "/skip.tmp=left out", "dst" + name + "/"});
    fs::permissions(At("src" + name + "/a.txt"), fs::perms(0644));
    RunOk({"mirror", "add", "@src" + name, "@dst" + name});
  }
  RunOk({"scan"});
  for (size_t n = 0; n < std::size(cases); ++n) {
    const std::string dst = At("dst" + std::to_string(n) + "/");
    cases[n].change(dst);
    std::vector<std::string> args{"verify", dst};
    args.insert(args.end(), cases[n].options.begin(), cases[n].options.end());
    const CliRun run = Run(args);
    std::string expected = cases[n].lines;
    for (size_t at = expected.find('@'); at != std::string::npos; at = expected.find('@', at)) {
      expected.replace(at, 1, dst);
    }
    const int count = cases[n].code;
    expected += std::to_string(count) + (count == 1 ? " difference" : " differences") +
                " between " + At("src" + std::to_string(n) + "/") + " and " + dst +
                (cases[n].options.empty() ? "" : ", contents compared") + "\n";
    EXPECT_EQ(run.code, cases[n].code) << n << run.err;
    EXPECT_EQ(run.out, expected) << n;
    EXPECT_EQ(run.err, "") << n;
  }
  // A destination that cannot be read (its drive unplugged): status 2, as a scan's.
  fs::rename(At("dst0"), At("gone"));
  const CliRun run = Run({"verify", "@dst0", "--data"});
  EXPECT_EQ(run.code, 2);
  EXPECT_TRUE(Has(run.err, "Could not verify the mirror of " + At("src0/"))) << run.err;
  EXPECT_TRUE(fs::exists(At("gone/a.txt")));
}

}  // namespace
}  // namespace qv::testing
