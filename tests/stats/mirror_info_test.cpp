#include "stats/mirror_info.h"

#include <cerrno>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "config/qv_ini_file.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using testing::ScopedTempDir;

// Key of the mapping whose destination is kDestination, written out by hand
// so that a wrong derivation in the loader shows.
constexpr char kDestination[] = "/backup/docs/";
constexpr char kSource[] = "/home/me/docs/";
const std::string kKey = "Software\\KZ\\Quorvane\\Mappings\\|backup|docs|";

class MirrorInfoTest : public ::testing::Test {
 protected:
  void Load(bool query_drives, TMirrorInfo* info) {
    info->LoadMirrorInfo(kSource, kDestination, query_drives, ini_, platform_);
  }

  ScopedTempDir temp_;
  std::unique_ptr<Platform> real_ = NewPosixPlatform();
  FaultPlatform platform_{*real_};
  TQVIniFile ini_{platform_, temp_ / "settings.db"};
};

TEST_F(MirrorInfoTest, LoadsEachStoredCounterSetFromItsKey) {
  struct Set {
    std::string subkey;
    TCounts counts;
    const TDirInfo& (TMirrorInfo::*get)() const;
  };
  const Set sets[] = {
      {"\\Source", {1, 2, 300, 250}, &TMirrorInfo::source},
      {"\\Source\\Excluded", {3, 4, 5000000000LL, 4000000000LL}, &TMirrorInfo::source_excluded},
      {"\\Destination", {5, 6, 700, 700}, &TMirrorInfo::destination},
      {"\\Destination\\Excluded", {7, 8, 900, 800}, &TMirrorInfo::destination_excluded},
      {"\\Destination\\Archive", {9, 10, 1100, 1000}, &TMirrorInfo::archive},
  };
  for (const auto& set : sets) ASSERT_TRUE(ini_.WriteCounters(kKey + set.subkey, set.counts));
  // Log-file counters sit below the archive and must not leak into it.
  ASSERT_TRUE(ini_.WriteCounters(kKey + "\\Destination\\Archive\\Logs", {99, 99, 99, 99}));
  ASSERT_TRUE(ini_.WriteBool(kKey, "Enabled", false));

  TMirrorInfo info;
  Load(false, &info);
  EXPECT_EQ(info.source_dir(), kSource);
  EXPECT_EQ(info.destination_dir(), kDestination);
  EXPECT_FALSE(info.enabled());
  for (const auto& set : sets) EXPECT_EQ((info.*set.get)().Get(), set.counts) << set.subkey;
}

TEST_F(MirrorInfoTest, MissingAndInvalidValuesReadAsZero) {
  // Another mirror's counters and a partly stored set.
  ASSERT_TRUE(
      ini_.WriteCounters("Software\\KZ\\Quorvane\\Mappings\\|backup|other|\\Source", {1, 1, 1, 1}));
  ASSERT_TRUE(ini_.Write64(kKey + "\\Destination", "Size", 4096));
  ASSERT_TRUE(ini_.WriteInteger(kKey + "\\Destination", "NumberOfFiles", -1));
  ASSERT_TRUE(ini_.WriteString(kKey + "\\Destination", "NumberOfDirs", "12"));

  TMirrorInfo info;
  Load(false, &info);
  EXPECT_TRUE(info.enabled());
  EXPECT_EQ(info.source().Get(), TCounts{});
  EXPECT_EQ(info.source_excluded().Get(), TCounts{});
  EXPECT_EQ(info.destination().Get(), (TCounts{0, 0, 4096, 0}));
  EXPECT_EQ(info.destination_excluded().Get(), TCounts{});
  EXPECT_EQ(info.archive().Get(), TCounts{});
}

TEST_F(MirrorInfoTest, DriveValues) {
  struct Case {
    const char* name;
    bool query;
    const char* failing_path;  // FreeSpace fails for paths containing it
    int64_t source_free, source_total, dest_free, dest_total;
  };
  const Case cases[] = {
      {"not asked", false, nullptr, -2, -2, -2, -2},
      {"asked", true, nullptr, 100, 1000, 100, 1000},
      {"destination unreachable", true, "/backup/", 100, 1000, -1, -1},
      {"source unreachable", true, "/home/", -1, -1, 100, 1000},
  };
  platform_.SetFreeSpace(100, 1000);
  for (const auto& c : cases) {
    platform_.ClearFaults();
    if (c.failing_path) platform_.AddFault({Op::kFreeSpace, c.failing_path, 0, ENOENT});
    TMirrorInfo info;
    Load(c.query, &info);
    EXPECT_EQ(info.source_free(), c.source_free) << c.name;
    EXPECT_EQ(info.source_total(), c.source_total) << c.name;
    EXPECT_EQ(info.destination_free(), c.dest_free) << c.name;
    EXPECT_EQ(info.destination_total(), c.dest_total) << c.name;
  }
  EXPECT_EQ(platform_.Calls(Op::kFreeSpace), 6);  // two per asking load, none otherwise
}

}  // namespace
}  // namespace qv
