#include <string>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/mappings.h"
#include "config/registry_values.h"
#include "tests/cli/cli_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

using MirrorCommandsTest = CliTest;

TEST_F(MirrorCommandsTest, AddStoresEveryValueWithItsTypeAndPassesTheScanChecks) {
  platform_.env["DATA"] = At("data");
  RunOk({"mirror",
         "add",
         "%DATA%/docs",
         "@dst",
         "--disabled",
         "--min-free",
         "1 KB",
         "--max-size",
         "1.5 GB",
         "--max-compressed-size",
         "2048",
         "--max-archive-size",
         "1 MB",
         "--max-compressed-archive-size",
         "3 MB",
         "--no-copy-security",
         "--no-copy-creation-time",
         "--no-copy-times-dir",
         "--creation-time-resolution",
         "2 sec",
         "--write-time-resolution",
         "10 milli sec"});
  TQVIniFile& ini = Store();
  const std::string key = MappingKey(At("dst/"));
  const std::string dest = key + kDestinationSubkey;
  const std::string archive = dest + kArchiveSubkey;
  const struct {
    std::string key, name;
    TRegValue value;
  } kExpected[] = {
      {key, "", StringValue(At("dst/"), false)},
      {key, "Src", StringValue("%DATA%/docs/", false)},  // references kept
      {key, "Enabled", DwordValue(0)},
      {key, "Row", DwordValue(0)},
      {key, "CopySecurityInfo", DwordValue(0)},
      {key, "CopyCreationTime", DwordValue(0)},
      {key, "CopyCreationTimeDir", DwordValue(0)},
      {dest, "FreeBytesWanted", Int64Value(1024)},
      {dest, "MaxSizeDest", Int64Value(1610612736)},
      {dest, "MaxCompressedSizeDest", Int64Value(2048)},
      {archive, "MaxArchiveSize", Int64Value(1048576)},
      {archive, "MaxCompressedArchiveSize", Int64Value(3145728)},
      {dest, "CreationTimeResolution", Int64Value(20000000)},
      {dest, "WriteTimeResolution", Int64Value(100000)},
  };
  for (const auto& expected : kExpected) {
    EXPECT_EQ(Raw(ini, expected.key, expected.name), expected.value) << expected.name;
  }
  RecordingLogger logger;
  TMappings mappings(ini);
  ASSERT_TRUE(mappings.Load(logger, nullptr, false, false));
  ASSERT_EQ(mappings.Count(), 1);
  EXPECT_EQ(logger.ErrorCount(), 0) << logger.Joined();
  EXPECT_EQ(mappings.Source(0), At("data/docs/"));
}

TEST_F(MirrorCommandsTest, NewMirrorsGoAfterTheLargestRow) {
  RunOk({"mirror", "add", "@a", "@da"});
  RunOk({"mirror", "add", "@b", "@db"});
  ASSERT_TRUE(Store().WriteInteger(MappingKey(At("db/")), "Row", 7));
  RunOk({"mirror", "remove", "@da"});
  RunOk({"mirror", "add", "@c", "@dc"});
  EXPECT_EQ(Raw(Store(), MappingKey(At("dc/")), "Row"), DwordValue(8));
  EXPECT_EQ(RunOk({"mirror", "list", "--destinations"}), At("db/\n") + At("dc/\n"));
}

TEST_F(MirrorCommandsTest, WithoutStoredRowsTheCountIsTheRow) {
  for (const char* name : {"a", "b"}) {
    RunOk({"mirror", "add", std::string("@") + name, std::string("@d") + name});
    ASSERT_TRUE(Store().DeleteValue(MappingKey(At(std::string("d") + name + "/")), "Row"));
  }
  RunOk({"mirror", "add", "@c", "@dc"});
  EXPECT_EQ(Raw(Store(), MappingKey(At("dc/")), "Row"), DwordValue(2));
}

TEST_F(MirrorCommandsTest, DisableEnableAndRemoveRoundTrip) {
  RunOk({"mirror", "add", "@src", "@dst"});
  const std::string key = MappingKey(At("dst/"));
  ASSERT_TRUE(Store().WriteCounters(key + kSourceSubkey, TCounts{}));
  RunOk({"mirror", "disable", "@dst"});
  EXPECT_EQ(Raw(Store(), key, "Enabled"), DwordValue(0));
  EXPECT_EQ(RunOk({"mirror", "list"}),
            "Row  Enabled  Source" + std::string(At("src/").size() - 6, ' ') +
                "  Destination\n0    false    " + At("src/  ") + At("dst/\n"));
  RunOk({"mirror", "enable", "@dst/"});
  EXPECT_EQ(Raw(Store(), key, "Enabled"), DwordValue(1));
  RunOk({"mirror", "remove", "@dst"});
  EXPECT_FALSE(Store().KeyExists(key));
  EXPECT_FALSE(Store().KeyExists(key + kSourceSubkey));
  EXPECT_EQ(RunOk({"mirror", "list", "--destinations"}), "");
}

TEST_F(MirrorCommandsTest, DestinationsSharingTheirKeyAreRefused) {
  // Keys keep the first 255 bytes of the destination.
  const std::string common = "@" + std::string(260, 'x');
  RunOk({"mirror", "add", "@a", common + "/one"});
  const std::string error = RunFails({"mirror", "add", "@b", common + "/two"});
  EXPECT_NE(error.find("is taken by"), std::string::npos) << error;
}

}  // namespace
}  // namespace qv::testing
