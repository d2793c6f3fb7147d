#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

class BadInputTest : public CliTest {
 protected:
  BadInputTest() {
    RunOk({"mirror", "add", "@src", "@dst"});
    RunOk({"filter", "add", "excluded-source", "*.tmp"});
    RunOk({"minage", "add", "@src/work", "10"});
    RunOk({"filemap", "add", "@etc/hosts", "@src/hosts"});
  }
};

TEST_F(BadInputTest, EachGivesOneErrorLineStatusTwoAndChangesNothing) {
  const struct {
    std::vector<std::string> args;
    const char* says;  // part of the error line
  } kCases[] = {
      {{"mirror", "add", "relative", "@d2"}, "must be an absolute directory"},
      {{"mirror", "add", "@s2", "@d*"}, "without wildcards"},
      {{"mirror", "add", "%UNSET%/x", "@d2"}, "must be an absolute directory"},
      {{"mirror", "add", "@s2", "@d2", "--min-free", "-1"}, "--min-free must be a size"},
      {{"mirror", "add", "@s2", "@d2", "--max-archive-size", "1000000 PB"}, "must be a size"},
      {{"mirror", "add", "@s2", "@d2", "--write-time-resolution", "soon"}, "must be a duration"},
      {{"mirror", "add", "@s2", "@d2", "--creation-time-resolution", "-2 sec"}, "duration"},
      {{"mirror", "add", "@src", "@d2"}, "is already mirrored to"},
      {{"mirror", "add", "@s2", "@dst"}, "overlaps with the destination"},
      {{"mirror", "add", "@s2", "@dst/inner"}, "overlaps with the destination"},
      {{"mirror", "add", "/quorvane-elsewhere", "@"}, "overlaps with the destination"},
      {{"mirror", "add", "@d2/sub", "@d2"}, "lies inside its destination"},
      {{"mirror", "add", "@d2", "@d2"}, "lies inside its destination"},
      {{"mirror", "remove", "@nowhere"}, "no mirror has the destination"},
      {{"mirror", "disable", "rel"}, "must be an absolute directory"},
      {{"mirror", "accept", "@nowhere"}, "no mirror has the destination"},
      {{"filter", "add", "excluded", "x"}, "unknown filter type"},
      {{"filter", "add", "included-source", "  "}, "the filter text is empty"},
      {{"filter", "remove", "2"}, "no filter has the number 00002"},
      {{"filter", "remove", "one"}, "must be a whole number"},
      {{"minage", "add", "@src/a", "0"}, "from 1 to 35791"},
      {{"minage", "add", "@src/a", "35792"}, "from 1 to 35791"},
      {{"minage", "add", "@src/a", "1.5"}, "from 1 to 35791"},
      {{"minage", "add", "src/a", "5"}, "must be an absolute directory"},
      {{"minage", "add", "@src/work/", "5"}, "has a minimal age already"},
      {{"minage", "remove", "@src/other"}, "no minimal age for"},
      {{"filemap", "add", "@etc/passwd", "@etc/passwd"}, "cannot be updated from itself"},
      {{"filemap", "add", "@etc/hosts", "@src/other"}, "has a file mapping already"},
      {{"filemap", "add", "@etc/", "@src/x"}, "names a directory"},
      {{"filemap", "remove", "@etc/other"}, "no file mapping for"},
      {{"set", "Colour", "1"}, "unknown setting \"Colour\""},
      {{"set", "Wait", "35792"}, "Wait must be a whole number from -1 to 35791"},
      {{"set", "Wait", "-2"}, "from -1 to 35791"},
      {{"set", "Priority", "7"}, "from 0 to 6"},
      {{"set", "MinMinutesToWait", "-1"}, "from 0 to 35791"},
      {{"set", "MilliSecondsToSuspendAfterUserInput", "2147483648"}, "from 0 to 2147483647"},
      {{"set", "Confirm", "maybe"}, "must be true or false"},
      {{"get", "Colour"}, "unknown setting"},
      {{"export", "Software\\Nothing"}, "no key HKEY_CURRENT_USER\\Software\\Nothing"},
      {{"mirror"}, "subcommand is required"},
      {{"mirror", "add", "@s2"}, "DESTINATION is required"},
      {{"mirror", "list", "--bogus"}, "--bogus"},
      {{"frobnicate"}, "unknown command frobnicate"},
      {{"mirror", "bogus"}, "unknown command bogus"},
  };
  const std::string before = StoreBytes();
  for (const auto& c : kCases) {
    const std::string error = RunFails(c.args);
    EXPECT_NE(error.find(c.says), std::string::npos)
        << c.args[0] << " " << c.args.back() << ": " << error;
    EXPECT_EQ(StoreBytes(), before) << error;
  }
}

TEST_F(CliTest, ACorruptStoreIsNamedAndLeftAlone) {
  WriteFile(settings_, "not a settings store\n");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"mirror", "add", "@s", "@d"}, {"show"}, {"filter", "list"}, {"set", "Wait", "5"}}) {
    EXPECT_NE(RunFails(args).find(settings_), std::string::npos);
  }
  EXPECT_EQ(StoreBytes(), "not a settings store\n");
}

TEST_F(CliTest, AStoreLockedByAnotherWriterIsNamedAndLeftAlone) {
  RunOk({"set", "Wait", "5"});
  const std::string before = StoreBytes();
  {
    TQVIniFile other(platform_, settings_);
    TSettingsTransaction hold(other.db());
    ASSERT_TRUE(other.WriteInteger(kBaseKey, "Wait", 9));
    const CliRun run = Run({"mirror", "add", "@src", "@dst"}, 50);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("Cannot write the settings store " + settings_), std::string::npos)
        << run.err;
    const CliRun filter = Run({"filter", "add", "excluded-source", "*.tmp"}, 50);
    EXPECT_EQ(filter.code, 2);
    EXPECT_EQ(filter.err.find("quorvane-cli: Failed to save the filter to the registry. "), 0u);
  }
  EXPECT_EQ(StoreBytes(), before);
  EXPECT_EQ(RunOk({"mirror", "list", "--destinations"}), "");
}

}  // namespace
}  // namespace qv::testing
