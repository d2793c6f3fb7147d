// A full drive and a destination limit during a mirror.
#include <cerrno>

#include "config/mapping.h"
#include "log/log_dir.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

constexpr int64_t kGiB = 1024LL * 1024 * 1024;

// The drive runs full when the copy starts; freeing the oldest archive day
// makes room and the copy is done again.
TEST_F(MirrorTest, DiskFullRemovesTheOldestArchiveDayAndCopiesAgain) {
  const std::string old_day = dst_ + kArchiveDirName + "/2020/01/01/";
  MakeDirs(old_day + "10 00 00");
  WriteFile(old_day + "10 00 00/old.bin", "ancient");
  WriteFile(src_ + "new.bin", "data");
  platform_.AddFault({Op::kCopyToTemp, "new.bin", 0, ENOSPC, 1});
  platform_.on_call = [this](Op op, const std::string& path) {
    if (op == Op::kCopyToTemp) platform_.SetFreeSpace(1000, kGiB);
    if (op == Op::kRemoveDir && path.find("2020") != std::string::npos) {
      platform_.SetFreeSpace(kGiB / 2, kGiB);
    }
  };

  Run();

  EXPECT_EQ(errors_, 0) << log_.Joined();
  EXPECT_TRUE(log_.Has("Removing day " + old_day)) << log_.Joined();
  EXPECT_TRUE(log_.Has("Created file " + dst_ + "new.bin")) << log_.Joined();
  EXPECT_FALSE(PathExists(old_day));
  EXPECT_EQ(DestTree(), std::vector<std::string>{"new.bin=data"});
}

// A limit the mirror outgrows fails it: the walk stops, the end says why,
// the scan summary repeats it and no counter is stored.
TEST_F(MirrorTest, DestinationLimitSmallerThanTheDataFailsTheMirror) {
  mapping_->mutable_settings().max_size_dest = 200 * 1024;
  WriteFile(src_ + "a.bin", std::string(150 * 1024, 'a'));
  WriteFile(src_ + "b.bin", std::string(150 * 1024, 'b'));

  Run();

  const std::vector<std::string> tail = log_.From("Started scan");
  EXPECT_TRUE(log_.Has("Error: The maximum size of 200.00 KB for destination " + dst_ +
                       " is not large enough to store all files. At least 300.00 KB is needed, "
                       "but it should be set much higher."))
      << log_.Joined();
  ASSERT_GE(tail.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(tail.end() - 2, tail.end()),
            (std::vector<std::string>{"Mirror failed. Maximum size of destination is too small.",
                                      "Maximum size of 200.00 KB for destination " + dst_ +
                                          " is too small. This mirror failed."}));
  EXPECT_EQ(DestTree(), std::vector<std::string>{"b.bin=" + std::string(150 * 1024, 'b')});
  TCounts stored;
  EXPECT_FALSE(ini_.ReadCounters(mapping_->dest_key(), &stored));
}

}  // namespace
}  // namespace qv::testing
