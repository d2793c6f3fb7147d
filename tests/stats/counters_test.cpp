// The counters of a scan and the stored counters of a mirror.
#include <cerrno>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "config/qv_ini_file.h"
#include "filesys/found_file.h"
#include "filesys/testing/fault_platform.h"
#include "filesys/text_format.h"
#include "stats/dir_info.h"
#include "stats/mirror_info.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

TEST(DirInfoTest, ToText) {
  const NumberFormat format;  // "," and "."
  SetNumberFormatForTesting(&format);
  const std::pair<TCounts, const char*> cases[] = {
      {{0, 3, 4096, 4096}, "3 directories"},  // sizes only follow files
      {{0, 0, 0, 0}, "no files"},
      {{1, 0, 1536, 1536}, "1 file of 1.50 KB"},
      {{1024, 1, 1023, 1023}, "1 directory and 1,024 files of 1023 bytes"},
      {{2, 0, 2048, 1024}, "2 files of 2.00 KB compressed into 1.00 KB"},
      {{-1, 0, -100, -100}, "-1 files of -100 bytes"},  // wrong counts stay visible
  };
  for (const auto& [counts, text] : cases) EXPECT_EQ(TDirInfoSync(counts).ToText(), text);
  SetNumberFormatForTesting(nullptr);
}

TEST(DirInfoTest, SyncCountsExactlyFromTwoThreads) {
  constexpr int kEach = 50000;
  const TFoundFile sparse(FileInfo{.attributes = kAttrSparse, .size = 4096});
  // Counts one directory and is never entered.
  const TFoundFile dir_link(FileInfo{.attributes = kAttrDirectory | kAttrReparsePoint});
  TDirInfoSync d;
  auto writer = [&] {
    for (int i = 0; i < kEach; ++i) {
      d.AddFound(sparse);
      d.AddFound(dir_link);
    }
  };
  std::thread a(writer);
  std::thread b(writer);
  a.join();
  b.join();
  EXPECT_EQ(d.Get(), (TCounts{2 * kEach, 2 * kEach, 4096LL * 2 * kEach, 0}));
  d.SubtractCounters(d);
  EXPECT_EQ(d.Get(), TCounts());
  d.SetAll(std::numeric_limits<int32_t>::max(), 0, 0, 0);
  d.AddFile(1, 1);  // wraps instead of overflowing
  EXPECT_EQ(d.Files(), std::numeric_limits<int32_t>::min());
}

// Written out by hand so that a wrong derivation in the loader shows.
const std::string kKey = "Software\\KZ\\Quorvane\\Mappings\\|backup|docs|";

TEST(MirrorInfoTest, LoadsEachCounterSetFromItsKeyAndAsksTheDrives) {
  testing::ScopedTempDir temp;
  FaultPlatform platform(DefaultPlatform());
  TQVIniFile ini(platform, temp / "settings.db");
  const struct {
    std::string subkey;
    TCounts counts;
    const TDirInfo& (TMirrorInfo::*get)() const;
  } sets[] = {
      {"\\Source", {1, 2, 300, 250}, &TMirrorInfo::source},
      {"\\Source\\Excluded", {3, 4, 5000000000LL, 4000000000LL}, &TMirrorInfo::source_excluded},
      {"\\Destination", {5, 6, 700, 700}, &TMirrorInfo::destination},
      {"\\Destination\\Excluded", {0, 0, 4096, 0}, &TMirrorInfo::destination_excluded},
      {"\\Destination\\Archive", {9, 10, 1100, 1000}, &TMirrorInfo::archive},
  };
  for (const auto& set : sets) ASSERT_TRUE(ini.WriteCounters(kKey + set.subkey, set.counts));
  // A partly stored set reads its missing values as 0.
  ASSERT_TRUE(ini.Unset(kKey + "\\Destination\\Excluded", "NumberOfFiles"));
  // Log-file counters sit below the archive and must not leak into it.
  ASSERT_TRUE(ini.WriteCounters(kKey + "\\Destination\\Archive\\Logs", {99, 99, 99, 99}));
  ASSERT_TRUE(ini.WriteBool(kKey, "Enabled", false));
  platform.SetFreeSpace(100, 1000);
  platform.AddFault({Op::kFreeSpace, "/backup/", 0, ENOENT});
  TMirrorInfo info;
  info.LoadMirrorInfo("/home/me/docs/", "/backup/docs/", true, ini, platform);
  EXPECT_FALSE(info.enabled());
  for (const auto& set : sets) EXPECT_EQ((info.*set.get)().Get(), set.counts) << set.subkey;
  EXPECT_EQ(info.source_free(), 100);
  EXPECT_EQ(info.source_total(), 1000);
  EXPECT_EQ(info.destination_free(), kDriveQueryFailed);
  EXPECT_EQ(info.destination_total(), kDriveQueryFailed);
}

}  // namespace
}  // namespace qv
