#include "config/mapping.h"

#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesys/testing/fault_platform.h"
#include "filesys/text_format.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

VolumeInfo Volume(const std::string& mount_point, const std::string& fs_type) {
  VolumeInfo volume;
  volume.mount_point = mount_point;
  volume.fs_type = fs_type;
  return volume;
}

class MappingTest : public StoreTest {
 protected:
  MappingTest() { SetNumberFormatForTesting(&format_); }
  ~MappingTest() override { SetNumberFormatForTesting(nullptr); }

  NumberFormat format_;
};

TEST(MappingKeyNameTest, ReplacesSlashesAndKeepsTheFirst255Bytes) {
  EXPECT_EQ(MappingKeyName("/home/u/Mirror/"), "|home|u|Mirror|");
  const std::string long_path = "/" + std::string(300, 'x') + "/";
  EXPECT_EQ(MappingKeyName(long_path), "|" + std::string(254, 'x'));
}

TEST_F(MappingTest, LoadGivesDefaultsForMissingAndInvalidValues) {
  TMapping stored(ini(), "/m/");
  ASSERT_TRUE(ini().WriteRaw(stored.dest_key(), "MaxSizeDest", DwordValue(5)));
  ASSERT_TRUE(ini().Write64(stored.dest_key(), "MaxCompressedSizeDest", -1));
  ASSERT_TRUE(ini().Write64(stored.dest_key(), "FreeBytesWanted", -100));
  ASSERT_TRUE(ini().Write64(stored.dest_key(), "WriteTimeResolution", 0));
  ASSERT_TRUE(ini().WriteString(stored.key(), "Enabled", "0"));
  TMapping mapping(ini(), "/m/");
  mapping.Load();
  EXPECT_EQ(mapping.settings(), TMappingSettings());
  EXPECT_TRUE(mapping.settings().copy_security_info);
  EXPECT_EQ(mapping.settings().max_size_dest, kNoLimit);
}

TEST_F(MappingTest, SaveAndLoadRoundTripWithTheDeletionRules) {
  platform_.env["QVHOME"] = "/home/q";
  TMapping mapping(ini(), "/m/");
  mapping.SetSource("%QVHOME%/docs/");
  TMappingSettings& s = mapping.mutable_settings();
  s = {false, false, true, false, 100, 1000, 2000, 3000, 4000, 7, 9, 4};
  ASSERT_TRUE(mapping.Save());
  TMapping loaded(ini(), "/m/");
  loaded.Load();
  EXPECT_TRUE(TMapping::SameConfiguration(&mapping, &loaded));
  EXPECT_EQ(loaded.source(), "/home/q/docs/");
  EXPECT_EQ(loaded.raw_source(), "%QVHOME%/docs/");
  EXPECT_EQ(ini().ReadString(mapping.key(), ""), "/m/");

  s = TMappingSettings();
  ASSERT_TRUE(mapping.Save());
  EXPECT_EQ(ini().ListValues(mapping.dest_key()), std::vector<std::string>{});
  EXPECT_EQ(ini().ListValues(mapping.archive_key()), std::vector<std::string>{});
  loaded.Load();
  EXPECT_EQ(loaded.settings(), TMappingSettings());
}

TEST_F(MappingTest, SameConfigurationComparesEverythingStored) {
  TMapping a(ini(), "/m/");
  TMapping b(ini(), "/m/");
  TMapping other_destination(ini(), "/M/");
  EXPECT_TRUE(TMapping::SameConfiguration(nullptr, nullptr));
  EXPECT_FALSE(TMapping::SameConfiguration(&a, nullptr));
  EXPECT_FALSE(TMapping::SameConfiguration(nullptr, &a));
  EXPECT_TRUE(TMapping::SameConfiguration(&a, &b));
  EXPECT_FALSE(TMapping::SameConfiguration(&a, &other_destination));
  b.SetSource("/s/");
  EXPECT_FALSE(TMapping::SameConfiguration(&a, &b));
  a.SetSource("/s/");
  a.mutable_settings().row = 3;
  EXPECT_FALSE(TMapping::SameConfiguration(&a, &b));
}

TEST_F(MappingTest, PrepareDescribesTheMirrorAndSettlesResolutions) {
  struct Case {
    const char* fs_type;
    int64_t stored_write;  // 0: none stored
    bool copy_creation_time;
    TTimeResolution expected;
    std::vector<std::string> resolution_lines;
  } const cases[] = {
      {"ext4",
       0,
       true,
       {1, 1, false},
       {"Using creation time resolution of 100 nano sec",
        "Using write time resolution of 100 nano sec"}},
      {"vfat",
       0,
       true,
       {20'000'000, 20'000'000, false},
       {"Using creation time resolution of 2 sec", "Using write time resolution of 2 sec"}},
      {"vfat", 5, false, {20'000'000, 5, false}, {"Using write time resolution of 500 nano sec"}},
      {"udf",
       0,
       false,
       {10'000'000, 10, true},
       {"Using write time resolution of 1 micro sec", "Verify of write time is enabled"}},
      {"iso9660",
       0,
       false,
       {10'000'000, 10'000'000, true},
       {"Using write time resolution of 1 sec", "Verify of write time is enabled"}},
      {"exfat",
       0,
       false,
       {10'000'000, 20'000'000, true},
       {"Using write time resolution of 2 sec", "Verify of write time is enabled"}},
      {"NTFS", 0, false, {1, 1, false}, {"Using write time resolution of 100 nano sec"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fs_type) + " " + std::to_string(c.stored_write));
    platform_.volume = Volume("/mnt/disk/", c.fs_type);
    TMapping mapping(ini(), "/mnt/disk/m/");
    mapping.mutable_settings().write_time_resolution = c.stored_write;
    mapping.mutable_settings().copy_creation_time = c.copy_creation_time;
    RecordingLogger log;
    EXPECT_TRUE(mapping.PrepareForScan(log));
    std::vector<std::string> expected = {
        "Copy security descriptors", c.copy_creation_time ? "" : "Copy creation time is disabled",
        "File system of destination drive /mnt/disk/ is " + std::string(c.fs_type)};
    if (c.copy_creation_time) expected.erase(expected.begin() + 1);
    expected.insert(expected.end(), c.resolution_lines.begin(), c.resolution_lines.end());
    EXPECT_EQ(log.lines, expected);
    EXPECT_EQ(mapping.resolution(), c.expected);
    EXPECT_EQ(mapping.file_system(), c.fs_type);
  }
}

TEST_F(MappingTest, PrepareLogsTheLimitsThatAreSet) {
  platform_.volume = Volume("/", "ext4");
  TMapping mapping(ini(), "/m/");
  TMappingSettings& s = mapping.mutable_settings();
  s.max_size_dest = 1536;
  s.max_archive_size = 0;
  s.copy_security_info = false;
  s.copy_creation_time_dir = false;
  s.creation_time_resolution = 20'000'000;
  RecordingLogger log;
  EXPECT_TRUE(mapping.PrepareForScan(log));
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "The maximum size of destination is " + SizeText(1536, 2),
                           "The maximum size of the archive is " + SizeText(0, 2),
                           "Don't copy security descriptors",
                           "Copy creation and write time disabled for directories",
                           "File system of destination drive / is ext4",
                           "Using creation time resolution of 2 sec",
                           "Using write time resolution of 100 nano sec",
                       }));
}

TEST_F(MappingTest, PrepareFailsWhenTheFileSystemIsUnknown) {
  FaultPlatform faults(platform_);
  faults.AddFault({Op::kGetVolume, "", 0, ENOENT});
  TQVIniFile store(faults, db_path_);
  TMapping mapping(store, "/nowhere/m/");
  RecordingLogger log;
  EXPECT_FALSE(mapping.PrepareForScan(log));
  EXPECT_EQ(log.lines.back(), "Error " + std::to_string(ENOENT) +
                                  ": Could not get file system of destination drive /nowhere/m/. " +
                                  SystemMessage(ENOENT));
  EXPECT_EQ(log.ErrorCount(), 1);
}

}  // namespace
}  // namespace qv::testing
