// The commands that edit or print the stored configuration.

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/registry_values.h"
#include "config/time_resolution.h"
#include "filesys/file_times.h"
#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

using ConfigCommandsTest = CliTest;

TEST_F(ConfigCommandsTest, BadInputOrALockedStoreGivesOneErrorLineStatusTwoAndChangesNothing) {
  const std::string long_name = "@" + std::string(260, 'x');  // keys keep 255 bytes
  MakeTree(At(""), {"src/", "dst/", "a/", "b/", "s2/", "d2/sub/", "file=x"});
  RunOk({"mirror", "add", "@src", "@dst"});
  RunOk({"mirror", "add", "--allow-missing", "@a", long_name + "/one"});
  MakeTree(At(""), {"dst/inner/"});
  // The arguments; part of the error line.
  const std::pair<std::vector<std::string>, const char*> kCases[] = {
      {{"mirror", "add", "relative", "@d2"}, "must be an absolute directory"},
      {{"mirror", "add", "@s2", "@d*"}, "without wildcards"},
      {{"mirror", "add", "@s2", "@d2", "--max-archive-size", "1000000 PB"}, "must be a size"},
      {{"mirror", "add", "@s2", "@d2", "--write-time-resolution", "soon"}, "must be a duration"},
      {{"mirror", "add", "@src", "@d2"}, "is already mirrored to"},
      {{"mirror", "add", "@s2", "@dst/inner"}, "overlaps with the destination"},
      {{"mirror", "add", "@d2/sub", "@d2"}, "lies inside its destination"},
      {{"mirror", "add", "--allow-missing", "@b", long_name + "/two"}, "is taken by"},
      {{"mirror", "add", "@gone", "@d2"},
       "the source @gone does not exist; --allow-missing adds it all the same"},
      {{"mirror", "add", "@s2", "@gone"}, "the destination @gone does not exist"},
      {{"mirror", "add", "@file", "@d2"}, "the source @file is not a directory"},
      {{"mirror", "add", "--allow-missing", "@s2", "@file"},
       "the destination @file is not a directory"},
      {{"mirror", "add", "@s2", "@file/sub"}, "the destination @file/sub does not exist"},
      {{"mirror", "add", "@s2", "@d2", "--min-free", "1,5 GB"}, "must be a size"},
      {{"filter", "add", "excluded", "x"}, "unknown filter type"},
      {{"filter", "add", "included-source", "  "}, "the filter text is empty"},
      {{"filter", "remove", "one"}, "must be a whole number"},
      {{"filemap", "add", "@etc/passwd", "@etc/passwd"}, "cannot be updated from itself"},
      {{"set", "Colour", "1"}, "unknown setting \"Colour\""},
      {{"set", "Wait", "35792"}, "Wait must be a whole number from -1 to 35791"},
      {{"set", "Confirm", "maybe"}, "must be true or false"},
      {{"export", "Software\\Nothing"}, "no key HKEY_CURRENT_USER\\Software\\Nothing"},
      {{"mirror", "set", "@dst", "--mass-change-percent", "101"},
       "--mass-change-percent must be a whole number from 0 to 100"},
      {{"mirror", "set", "@dst", "--mass-change-minimum", "-1"}, "from 0 to 2147483647"},
      {{"mirror", "set", "@dst"}, "needs --mass-change-percent, --mass-change-minimum or --max"},
      {{"mirror", "set", "@dst", "--max-archive-age", "36526"}, "from 0 to 36525"},
      {{"mirror", "set", "@d2", "--mass-change-percent", "9"}, "no mirror has the destination"},
      {{"mirror", "clear-archive-info", "@src"}, "no mirror has the destination"},
      {{"frobnicate"}, "unknown command frobnicate (see"},
      {{"mirror", "ad", "@src"},
       "unknown command mirror ad; did you mean mirror add? (see quorvane-cli mirror --help)"},
      {{"help", "mirror", "ad"}, "unknown command mirror ad; did you mean mirror add?"},
      {{"mirorr", "list"}, "unknown command mirorr; did you mean mirror?"},
      {{"hlep"}, "unknown command hlep; did you mean help?"},
      {{"restr"}, "unknown command restr; did you mean restore?"},
      {{"mror"}, "unknown command mror (see"},
      {{"status", "--max-age", "soon"}, "--max-age soon: give a number"},
      {{"versions", "relative"}, "must be an absolute file name"},
      {{"restore", "@src/x"}, "the mirror holds no version of it"},
      {{"verify", "@d2"}, "no mirror has the destination"},
  };
  const std::string before = StoreBytes();
  for (const auto& [args, says] : kCases) {
    const std::string error = RunFails(args);
    EXPECT_NE(error.find(Expand(says)), std::string::npos) << args[0] << ": " << error;
    EXPECT_EQ(StoreBytes(), before) << error;
  }
  {  // a store locked by another writer
    TQVIniFile other(platform_, settings_);
    TSettingsTransaction hold(other.db());
    ASSERT_TRUE(other.WriteInteger(kBaseKey, "Wait", 9));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"mirror", "add", "@s2", "@d2"},
          {"mirror", "clear-archive-info", "@dst"}}) {
      const CliRun run = Run(args, 50);
      EXPECT_EQ(run.code, 2);
      EXPECT_NE(run.err.find("Cannot write the settings store " + settings_), std::string::npos)
          << run.err;
    }
  }
  {  // a scan updating the destination, here or in another process
    std::unique_ptr<DirLock> scan;
    LockHolder holder;
    ASSERT_TRUE(platform_.LockDir(At("dst/"), kLockFileName, &scan, &holder).ok());
    const std::string error = RunFails({"mirror", "clear-archive-info", "@dst"});
    EXPECT_NE(error.find("A scan is updating " + At("dst/") + " (process "), std::string::npos)
        << error;
  }
  EXPECT_EQ(StoreBytes(), before);
}

// help WORDS prints what WORDS --help prints; the settings' help comes from
// the table that set reads.
TEST_F(ConfigCommandsTest, HelpForEveryCommandAndTheSettingsUnitsAndRanges) {
  const std::vector<std::string> kCommands[] = {{},      {"mirror"},  {"mirror", "add"},
                                                {"set"}, {"restore"}, {"help"}};
  for (const std::vector<std::string>& words : kCommands) {
    std::vector<std::string> help = {"help"}, option = words;
    help.insert(help.end(), words.begin(), words.end());
    option.push_back("--help");
    std::string usage = "\nUsage: quorvane-cli";
    for (const std::string& word : words) usage += " " + word;
    const std::string text = RunOk(help);
    EXPECT_TRUE(Has(text, usage + " [OPTIONS]")) << text;
    EXPECT_EQ(text, RunOk(option));
  }
  EXPECT_EQ(RunOk({"-V"}), "quorvane-cli " QUORVANE_VERSION "\n");
  EXPECT_EQ(RunOk({"--version"}), RunOk({"-V"}));
  const auto settings_help = [](const std::string& help) {
    return help.substr(std::min(help.find("\nSettings (names in any case):\n"), help.size()));
  };
  const std::string set = settings_help(RunOk({"set", "--help"}));
  EXPECT_EQ(set, settings_help(RunOk({"get", "--help"})));
  for (const char* line :
       {"Wait (minutes, -1 to 35791): ", "Priority (level, 0 to 6): ",
        "MinMinutesToWait (minutes, 0 to 35791): ", "HealthMaxAge (minutes, 0 to 2147483647): ",
        "Confirm (true or false): ", "UseArchiveBit (true or false): "}) {
    EXPECT_TRUE(Has(set, std::string("\n  ") + line)) << line;
  }
}

// Sizes and durations in the forms people type; references kept in the
// source and said as they expand now.
TEST_F(ConfigCommandsTest, MirrorAddStoresEveryValueWithItsType) {
  platform_.env["DATA"] = At("data");
  platform_.env["DEST"] = At("");
  MakeTree(At(""), {"data/docs/", "dst/"});
  EXPECT_EQ(
      RunOk({"mirror", "add", "%DATA%/docs", "${DEST}dst", "--disabled", "--min-free=1 k",
             "--max-size=1.5 GB", "--max-compressed-size=2,048", "--max-archive-size=1 MiB",
             "--max-compressed-archive-size=3mb", "--no-copy-security", "--no-copy-creation-time",
             "--no-copy-times-dir", "--creation-time-resolution=2s",
             "--write-time-resolution=10 milli sec", "--max-archive-age=+30"}),
      Expand("The source %DATA%/docs/ expands to @data/docs/ now; each scan expands it "
             "again\nThe destination ${DEST}dst/ is stored as @dst/\n"));
  const std::string key = MappingKey(At("dst/"));
  const std::string dest = key + kDestinationSubkey;
  const std::string archive = dest + kArchiveSubkey;
  const std::tuple<std::string, const char*, TRegValue> kExpected[] = {
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
      {archive, "MaxArchiveAge", DwordValue(30)},
      {dest, "CreationTimeResolution", Int64Value(20000000)},
      {dest, "WriteTimeResolution", Int64Value(100000)},
  };
  for (const auto& [key_name, name, value] : kExpected)
    EXPECT_EQ(Raw(Store(), key_name, name), value) << name;
}

// A drive not plugged in now may be added when the user says so; "~" is
// expanded as a shell would, and a link to a directory is one.
TEST_F(ConfigCommandsTest, MirrorAddTakesMissingDirectoriesOnlyWhenAllowed) {
  platform_.env["HOME"] = At("home");
  MakeTree(At(""), {"home/docs/", "dst/", "dst2/", "target/", "link->target", "dangling->nowhere"});
  EXPECT_TRUE(Has(RunFails({"mirror", "add", "@target", "@dangling"}),
                  Expand("the destination @dangling does not exist")));
  const std::tuple<std::vector<std::string>, const char*, const char*> kAdded[] = {
      {{"~/docs", "@dst"}, "@home/docs/", "@dst/"},
      {{"@link", "@dst2"}, "@link/", "@dst2/"},
      {{"--allow-missing", "@unplugged", "@usb/dst"}, "@unplugged/", "@usb/dst/"},
      {{"--allow-missing", "@target", "@dangling"}, "@target/", "@dangling/"},
  };
  for (const auto& [args, source, destination] : kAdded) {
    std::vector<std::string> command = {"mirror", "add"};
    command.insert(command.end(), args.begin(), args.end());
    EXPECT_EQ(RunOk(command), "");
    EXPECT_EQ(Raw(Store(), MappingKey(Expand(destination)), "Src"),
              StringValue(Expand(source), false));
  }
}

// The warning goes to standard error and the mirror is added; entries the
// user does not see, and an archive already there, need none.
TEST_F(ConfigCommandsTest, MirrorAddWarnsOfFilesInADestinationWithoutArchive) {
  MakeTree(At(""), {"src/", "full/old.txt=x", "hidden/.cache/", "hidden/lost+found/",
                    "archived/Quorvane archive/", "archived/kept.txt=x", "subdir/d/"});
  const std::string warning =
      "quorvane-cli: warning: The destination \"@{}/\" is an existing directory containing "
      "files. Be aware that if you use this destination all files not present on the source "
      "will be moved to the Quorvane archive.\n";
  // The destination; whether it is warned of.
  const std::pair<std::string, bool> kCases[] = {
      {"full", true}, {"hidden", false}, {"archived", false}, {"subdir", true}};
  for (const auto& [dest, warned] : kCases) {
    const CliRun run = Run({"mirror", "add", "--disabled", "@src", "@" + dest});
    EXPECT_EQ(run.code, 0) << dest;
    std::string expected = warned ? warning : "";
    if (warned) expected.replace(expected.find("{}"), 2, dest);
    EXPECT_EQ(run.err, Expand(expected)) << dest;
    RunOk({"mirror", "remove", "@" + dest});
  }
}

TEST_F(ConfigCommandsTest, MirrorRowsListDisableEnableAndRemove) {
  platform_.env["DATA"] = At("data");
  MakeTree(At(""), {"data/a/", "da/", "src/", "dst/"});
  RunOk({"mirror", "add", "%DATA%/a", "@da"});
  ASSERT_TRUE(Store().WriteInteger(MappingKey(At("da/")), "Row", 7));
  RunOk({"mirror", "add", "@src", "@dst"});  // after the largest row
  // For scripts: a mirror's source and destination on lines of the same number.
  EXPECT_EQ(RunOk({"mirror", "list", "--destinations"}), Expand("@da/\n@dst/\n"));
  EXPECT_EQ(RunOk({"mirror", "list", "--sources"}), Expand("@data/a/\n@src/\n"));
  RunOk({"mirror", "remove", "@da"});
  const std::string key = MappingKey(At("dst/"));
  ASSERT_TRUE(Store().WriteCounters(key + kSourceSubkey, TCounts{}));
  RunOk({"mirror", "disable", "@dst"});
  EXPECT_EQ(Raw(Store(), key, "Enabled"), DwordValue(0));
  EXPECT_EQ(RunOk({"mirror", "list"}),
            Expand("Row  Enabled  Source" + std::string(At("src/").size() - 6, ' ') +
                   "  Destination\n8    false    @src/  @dst/\n"));
  RunOk({"mirror", "enable", "@dst/"});
  EXPECT_EQ(Raw(Store(), key, "Enabled"), DwordValue(1));
  RunOk({"mirror", "remove", "@dst"});
  EXPECT_FALSE(Store().KeyExists(key));
  EXPECT_FALSE(Store().KeyExists(key + kSourceSubkey));
}

// A new entry takes a number no other entry has, so that it replaces none.
TEST_F(ConfigCommandsTest, FiltersMinimalAgesAndFileMappings) {
  for (const char* type : {" Excluded source ", "INCLUDED-SOURCE", "remove-empty-destination-dir"})
    RunOk({"filter", "add", type, "a"});
  RunOk({"filter", "remove", "00002"});
  RunOk({"filter", "add", "excluded-destination", " @dst/cache/ ", "--disabled", "--no-log"});
  const std::string key = std::string(kFiltersKey) + "\\00004";  // 2 filters + 1 = 00003 is taken
  EXPECT_FALSE(Store().ValueExists(key, "Row"));
  EXPECT_EQ(RunOk({"filter", "list"}),
            Expand("Number  Enabled  Type                          Log    Filter\n"
                   "00001   true     excluded source               true   a\n"
                   "00003   true     remove empty destination dir  true   a\n"
                   "00004   false    excluded destination          false  @dst/cache/\n"));
  platform_.env["DATA"] = At("data");
  RunOk({"minage", "add", "%DATA%/work", "30"});
  EXPECT_EQ(Raw(Store(), std::string(kMinimalAgesKey) + "\\00001", ""),
            StringValue("%DATA%/work/", false));
  RunOk({"minage", "add", "@src/b", "30"});
  RunOk({"minage", "remove", "@data/work"});  // found through its expansion
  RunOk({"minage", "add", "@src/c", "5"});    // 1 + 1 = 00002 is taken
  EXPECT_EQ(RunOk({"minage", "list"}), Expand("Enabled  Minutes  Directory\n"
                                              "true     30       @src/b/\n"
                                              "true     5        @src/c/\n"));
  RunOk({"filemap", "add", "@etc/hosts", "@src/hosts"});
  EXPECT_EQ(Raw(Store(), std::string(kFileMappingsKey) + "\\00001", "Source"),
            StringValue(At("src/hosts"), false));
  RunOk({"filemap", "remove", "@etc/hosts"});
  EXPECT_EQ(RunOk({"filemap", "list"}), "Target  Source\n");
}

TEST_F(ConfigCommandsTest, SettingsAreStoredUnderTheirNamesAndReadAsAScanReadsThem) {
  // Typed name and value; key and name stored under; value stored; as read back.
  const std::tuple<const char*, const char*, const char*, const char*, int32_t, const char*>
      kCases[] = {
          {"wait", "-1", kBaseKey, "Wait", -1, "-1"},
          {"MILLISECONDSTOSUSPENDAFTERUSERINPUT", "2147483647", kBaseKey,
           "MilliSecondsToSuspendAfterUserInput", 2147483647, "2147483647"},
          {"CloseWhenDone", "yes", kBaseKey, "CloseWhenDone", 1, "true"},
          {"LogCreate", "no", kBaseKey, "LogCreate", 0, "false"},
          {"autofilter", "0", kFiltersKey, "AutoFilter", 0, "false"},
      };
  for (const auto& [typed, value, key, name, stored, got] : kCases) {
    RunOk({"set", typed, value});
    EXPECT_EQ(Raw(Store(), key, name), DwordValue(stored)) << typed;
    EXPECT_EQ(RunOk({"get", typed}), std::string(got) + "\n") << typed;
  }
  ASSERT_TRUE(Store().WriteInteger(kBaseKey, "Priority", 7));  // out of range
  EXPECT_EQ(RunOk({"get", "Priority"}) + RunOk({"get", "LogMinAges"}), "0\ntrue\n");
}

// Each option changes only its own value; a default is not stored.
TEST_F(ConfigCommandsTest, MirrorSetChangesTheMassChangeThresholdsAndTheArchiveAge) {
  MakeTree(At(""), {"src/", "dst/"});
  RunOk({"mirror", "add", "@src", "@dst"});
  const std::string key = MappingKey(At("dst/"));
  RunOk({"mirror", "set", "@dst", "--mass-change-percent", "0"});
  RunOk({"mirror", "set", "@dst/", "--mass-change-minimum", "+7"});
  EXPECT_EQ(Raw(Store(), key, "MassChangePercent"), DwordValue(0));
  EXPECT_EQ(Raw(Store(), key, "MassChangeMinimum"), DwordValue(7));
  RunOk({"mirror", "set", "@dst", "--mass-change-percent", "50"});
  EXPECT_FALSE(Store().ValueExists(key, "MassChangePercent"));
  EXPECT_EQ(Raw(Store(), key, "MassChangeMinimum"), DwordValue(7));
  const std::string archive = key + kDestinationSubkey + kArchiveSubkey;
  RunOk({"mirror", "set", "@dst", "--max-archive-age", "90"});
  EXPECT_EQ(Raw(Store(), archive, "MaxArchiveAge"), DwordValue(90));
  EXPECT_TRUE(Has(RunOk({"show"}), "Archive days older than 90 days are removed"));
  RunOk({"mirror", "set", "@dst", "--max-archive-age", "0"});
  EXPECT_FALSE(Store().ValueExists(archive, "MaxArchiveAge"));
  EXPECT_EQ(Raw(Store(), key, "MassChangeMinimum"), DwordValue(7));
}

// A mirror inside another's source: the commands that let it join or leave
// the scans say which folder moves between the destinations (the engine's
// tests show the scans move it so).
TEST_F(ConfigCommandsTest, NestedMirrorsSayWhichFolderMoves) {
  MakeTree(At(""), {"src/inner/", "dst/", "idst/"});
  RunOk({"mirror", "add", "@src", "@dst"});
  const std::string warning =
      "quorvane-cli: warning: @src/inner/ lies inside @src/, the source "
      "of the mirror to @dst/: at the next scan the folder moves from ";
  const std::string joins = warning + "@dst/inner/ (into that mirror's archive) to @idst/\n";
  const std::string leaves = warning + "@idst/ to @dst/inner/\n";
  // The command; what it says on standard error.
  const std::pair<std::vector<std::string>, std::string> kSteps[] = {
      {{"mirror", "add", "@src/inner", "@idst"}, joins},
      {{"mirror", "disable", "@idst"}, leaves},
      {{"mirror", "disable", "@idst"}, ""},
      {{"mirror", "enable", "@idst"}, joins},
      {{"mirror", "remove", "@idst"}, leaves},
      {{"mirror", "add", "--disabled", "@src/inner", "@idst"}, ""},
      {{"set", "AutoFilter", "no"}, ""},
      {{"mirror", "enable", "@idst"}, ""},
  };
  for (const auto& [command, said] : kSteps) {
    const CliRun run = Run(command);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, Expand(said)) << command[1] << " " << command.back();
  }
}

// The lines of a FAT drive's times, which are in local time.
std::string FatRangeLines(const std::string& drive) {
  const TTimeResolution fat = DefaultTimeResolution("vfat");
  return "Destination drive " + drive + " keeps write times from " +
         TimeText(DefaultPlatform(), fat.earliest) + " up to " +
         TimeText(DefaultPlatform(), fat.latest) + "\nDestination drive " + drive +
         " keeps local times: a difference of one hour counts as none\n";
}

TEST_F(ConfigCommandsTest, ShowAndExportPrintExactly) {
  VolumeInfo stick;
  stick.mount_point = "/media/stick/";
  stick.fs_type = "vfat";
  platform_.volume = stick;
  RunOk({"set", "AutoFilter", "false"});
  MakeTree(At(""), {"src/", "dst/"});
  RunOk({"mirror", "add", "@src", "@dst", "--max-size", "1.5 GB", "--max-compressed-archive-size",
         "512 MB", "--no-copy-security", "--no-copy-creation-time", "--disabled"});
  // Written behind the tool's back, as an old configuration might hold it.
  ASSERT_TRUE(Store().WriteString(MappingKey(At("dst3/")), "", At("dst3/")));
  ASSERT_TRUE(Store().WriteString(MappingKey(At("dst3/")), "Src", At("src/")));
  RunOk({"mirror", "set", "@dst", "--mass-change-percent", "30", "--mass-change-minimum", "0"});
  ASSERT_TRUE(Store().WriteString(MappingKey(At("dst/")), "MassChangeHold", "3 of 4 files"));
  EXPECT_EQ(RunOk({"show"}),
            Expand(R"(The scanner will not suspend on user input
Thread priority System idle
Disabled automatic filters
Disabled update of files wich have their archive attribute set
Error: Rejected mapping of @src/ to @dst3/ because its source overlaps with @src/

mirror from @src/ to @dst/ (disabled)
The maximum size of destination is 1.50 GB
The maximum compressed size of the archive is 512.00 MB
Don't copy security descriptors
Copy creation time is disabled
File system of destination drive /media/stick/ is vfat
Using write time resolution of 2 sec
)") + FatRangeLines("/media/stick/") +
                Expand(R"(Hold a scan that replaces or removes more than 30% of the files
Waiting to be accepted: the mass change held for @dst/ (3 of 4 files replaced or removed)
)"));
  EXPECT_EQ(RunOk({"export", "HKEY_CURRENT_USER/Software/KZ/Quorvane/Filters"}),
            "Quorvane settings export 1\n\n[HKEY_CURRENT_USER\\Software\\KZ\\Quorvane\\Filters]\n"
            "\"AutoFilter\"=dword:00000000\n");
}

}  // namespace
}  // namespace qv::testing
