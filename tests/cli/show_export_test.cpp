#include <string>

#include <gtest/gtest.h>

#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

class ShowExportTest : public CliTest {
 protected:
  ShowExportTest() { platform_.volume = VolumeInfo{"/media/stick/", "vfat", "", "", 0, false}; }
};

TEST_F(ShowExportTest, ShowDescribesSettingsAndEachMirrorAsAScanDoes) {
  RunOk({"set", "MilliSecondsToSuspendAfterUserInput", "5500"});
  RunOk({"set", "Priority", "3"});
  RunOk({"set", "UseArchiveBit", "true"});
  RunOk({"set", "AutoFilter", "false"});
  RunOk({"mirror", "add", "@src", "@dst", "--max-size", "1.5 GB", "--max-compressed-archive-size",
         "512 MB", "--no-copy-security", "--no-copy-creation-time"});
  RunOk(
      {"mirror", "add", "@src2", "@dst2", "--disabled", "--write-time-resolution", "10 milli sec"});
  EXPECT_EQ(RunOk({"show"}),
            "Resuming scan in 5 seconds after user input when minimized\n"
            "Thread priority Normal\n"
            "Disabled automatic filters\n"
            "Enabled update of files wich have their archive attribute set\n"
            "\n"
            "mirror from " +
                At("src/") + " to " + At("dst/") +
                "\n"
                "The maximum size of destination is 1.50 GB\n"
                "The maximum compressed size of the archive is 512.00 MB\n"
                "Don't copy security descriptors\n"
                "Copy creation time is disabled\n"
                "File system of destination drive /media/stick/ is vfat\n"
                "Using write time resolution of 2 sec\n"
                "\n"
                "mirror from " +
                At("src2/") + " to " + At("dst2/") +
                " (disabled)\n"
                "Copy security descriptors\n"
                "File system of destination drive /media/stick/ is vfat\n"
                "Using creation time resolution of 2 sec\n"
                "Using write time resolution of 10 milli sec\n");
}

TEST_F(ShowExportTest, ShowGivesTheErrorsOfMirrorsAScanWouldReject) {
  RunOk({"mirror", "add", "@src", "@dst"});
  // Written behind the tool's back, as an old configuration might hold it.
  const std::string key = MappingKey(At("dst2/"));
  ASSERT_TRUE(Store().WriteString(key, "", At("dst2/")));
  ASSERT_TRUE(Store().WriteString(key, "Src", At("src/")));
  const std::string shown = RunOk({"show"});
  EXPECT_NE(shown.find("Error: Rejected mapping of " + At("src/") + " to " + At("dst2/") +
                       " because its source overlaps with " + At("src/") + "\n"),
            std::string::npos)
      << shown;
  EXPECT_EQ(shown.find("mirror from " + At("src/") + " to " + At("dst2/")), std::string::npos);
}

TEST_F(ShowExportTest, ExportWritesTheKeyTreeAsText) {
  RunOk({"filter", "add", "excluded-source", "C:\\\"odd\"\t"});
  const std::string expected =
      "Quorvane settings export 1\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\KZ\\Quorvane\\Filters]\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\KZ\\Quorvane\\Filters\\00001]\n"
      "@=\"C:\\\\\\\"odd\\\"\"\n"
      "\"Enabled\"=dword:00000001\n"
      "\"FilterType\"=dword:00000000\n"
      "\"LogFilter\"=dword:00000001\n";
  EXPECT_EQ(RunOk({"export", "Software\\KZ\\Quorvane\\Filters"}), expected);
  EXPECT_EQ(RunOk({"export", "HKEY_CURRENT_USER/Software/KZ/Quorvane/Filters"}), expected);
  EXPECT_EQ(RunOk({"export"})
                .rfind("Quorvane settings export 1\n\n"
                       "[HKEY_CURRENT_USER\\Software\\KZ\\Quorvane]\n",
                       0),
            0u);
}

TEST_F(CliTest, VersionAndHelpGoToStandardOutput) {
  EXPECT_EQ(RunOk({"--version"}), std::string("quorvane-cli ") + QUORVANE_VERSION + "\n");
  EXPECT_EQ(RunOk({"mirror", "list", "--version"}),
            std::string("quorvane-cli ") + QUORVANE_VERSION + "\n");
  EXPECT_NE(RunOk({"mirror", "add", "--help"}).find("--max-compressed-archive-size"),
            std::string::npos);
}

}  // namespace
}  // namespace qv::testing
