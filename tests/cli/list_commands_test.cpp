// Filters, minimal ages and file mappings.

#include <string>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/registry_values.h"
#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

using ListCommandsTest = CliTest;

std::string FilterKey(const std::string& name) { return std::string(kFiltersKey) + "\\" + name; }

TEST_F(ListCommandsTest, FilterTypesAreReadByNameWithBlanksOrHyphens) {
  const struct {
    const char* typed;
    int type;
  } kCases[] = {
      {"excluded source", 0},     {"excluded-destination", 1},         {"Included-Source", 2},
      {"included source dir", 3}, {"remove-empty-destination-dir", 4}, {" EXCLUDED-SOURCE ", 0},
  };
  int number = 0;
  for (const auto& c : kCases) {
    RunOk({"filter", "add", c.typed, "*.tmp"});
    const std::string key = FilterKey("0000" + std::to_string(++number));
    EXPECT_EQ(Raw(Store(), key, "FilterType"), DwordValue(c.type)) << c.typed;
  }
}

TEST_F(ListCommandsTest, FilterAddStoresTheGridsValuesWithoutRow) {
  RunOk({"filter", "add", "excluded-destination", " @dst/cache/ ", "--disabled", "--no-log"});
  const std::string key = FilterKey("00001");
  EXPECT_EQ(Raw(Store(), key, ""), StringValue(At("dst/cache/"), false));
  EXPECT_EQ(Raw(Store(), key, "Enabled"), DwordValue(0));
  EXPECT_EQ(Raw(Store(), key, "FilterType"), DwordValue(1));
  EXPECT_EQ(Raw(Store(), key, "LogFilter"), DwordValue(0));
  EXPECT_FALSE(Store().ValueExists(key, "Row"));
}

TEST_F(ListCommandsTest, FilterNumbersSkipOnesStillInUseAfterARemoval) {
  for (const char* text : {"a", "b", "c"}) RunOk({"filter", "add", "excluded-source", text});
  RunOk({"filter", "remove", "2"});
  RunOk({"filter", "add", "included-source", "d"});  // 2 filters + 1 = 00003 is taken
  EXPECT_EQ(RunOk({"filter", "list"}),
            "Number  Enabled  Type             Log   Filter\n"
            "00001   true     excluded source  true  a\n"
            "00003   true     excluded source  true  c\n"
            "00004   true     included source  true  d\n");
  RunOk({"filter", "remove", "00004"});
  EXPECT_FALSE(Store().KeyExists(FilterKey("00004")));
}

TEST_F(ListCommandsTest, MinimalAgesKeepReferencesAndComeBackInRowOrder) {
  platform_.env["DATA"] = At("data");
  RunOk({"minage", "add", "%DATA%/work", "30"});
  RunOk({"minage", "add", "@src/b", "35791", "--disabled"});
  const std::string first = std::string(kMinimalAgesKey) + "\\00001";
  EXPECT_EQ(Raw(Store(), first, ""), StringValue("%DATA%/work/", false));
  EXPECT_EQ(Raw(Store(), first, "MinAge"), DwordValue(30));
  EXPECT_EQ(Raw(Store(), first, "Row"), DwordValue(0));
  EXPECT_EQ(Raw(Store(), first, "Enabled"), DwordValue(1));
  EXPECT_EQ(RunOk({"minage", "list"}),
            "Enabled  Minutes  Directory\n"
            "true     30       %DATA%/work/\n"
            "false    35791    " +
                At("src/b/\n"));
  RunOk({"minage", "remove", "@data/work"});  // found through its expansion
  EXPECT_EQ(RunOk({"minage", "list"}),
            "Enabled  Minutes  Directory\n"
            "false    35791    " +
                At("src/b/\n"));
}

TEST_F(ListCommandsTest, FileMappingsRoundTrip) {
  RunOk({"filemap", "add", "@etc/hosts", "@src/hosts"});
  const std::string key = std::string(kFileMappingsKey) + "\\00001";
  EXPECT_EQ(Raw(Store(), key, ""), StringValue(At("etc/hosts"), false));
  EXPECT_EQ(Raw(Store(), key, "Source"), StringValue(At("src/hosts"), false));
  EXPECT_EQ(Raw(Store(), key, "Row"), DwordValue(0));
  EXPECT_NE(RunOk({"filemap", "list"}).find(At("etc/hosts  ") + At("src/hosts\n")),
            std::string::npos);
  RunOk({"filemap", "remove", "@etc/hosts"});
  EXPECT_FALSE(Store().KeyExists(key));
}

}  // namespace
}  // namespace qv::testing
