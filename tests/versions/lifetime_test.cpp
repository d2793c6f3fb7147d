// The lifetime rule over tables of items: which item was the version of a
// path at a time, with carrying folders, shared inodes and missing birth
// times; and the times it is given in.
#include "versions/lifetime.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesys/platform_wrapper.h"
#include "versions/civil_time.h"

namespace qv::testing {
namespace {

// born, left and slot start; birth known.
TLifeItem Item(FileTime born, FileTime left, FileTime slot_start, bool dir = false) {
  TLifeItem item;
  item.born_from = item.born_by = born;
  item.left = left;
  item.slot_start = slot_start;
  item.is_directory = dir;
  return item;
}
TLifeItem Current(FileTime born, bool dir = false) { return Item(born, 0, 0, dir); }
TLifeItem Bounded(FileTime from, FileTime by, FileTime left, FileTime slot_start) {
  TLifeItem item = Item(from, left, slot_start);
  item.born_by = by;
  return item;
}
TLifeItem Inode(TLifeItem item, uint64_t inode) {
  item.device = 1;
  item.inode = inode;
  return item;
}

constexpr auto kNone = TVersionState::kNone;
constexpr auto kFound = TVersionState::kFound;
constexpr auto kUnknown = TVersionState::kUnknown;

// A file replaced twice: each new copy was made before the old one left.
const std::vector<TLifeItem> kChanged = {Item(10, 20, 19), Item(19, 30, 29), Current(29)};
// Deleted at 20, made again at 30.
const std::vector<TLifeItem> kRecreated = {Item(10, 20, 19), Current(30)};
// A folder archived whole at 26 and the archive's own folder for a child that
// left at 36; the folder was made anew at 35.
const std::vector<TLifeItem> kFolder = {Item(10, 26, 24, true), Item(34, 36, 34, true),
                                        Current(35, true)};
// No birth times: modification and change times bound them.
const std::vector<TLifeItem> kBounded = {Bounded(5, 15, 20, 19), Bounded(12, 25, 0, 0)};
// The archived link of the current file: one item.
const std::vector<TLifeItem> kLinked = {Inode(Item(10, 20, 19), 7), Inode(Current(10), 7)};

TEST(LifetimeTest, VersionAtATime) {
  const struct {
    const char* what;
    const std::vector<TLifeItem>& items;
    FileTime t, known_from;
    TVersionState state;
    int index;
    bool uncertain;
  } kCases[] = {
      {"before the first scan", kChanged, 9, 10, kUnknown, -1, false},
      {"born at the first scan", kChanged, 10, 10, kFound, 0, false},
      {"two alive: the one that left first", kChanged, 19, 10, kFound, 0, false},
      {"left at t: the next", kChanged, 20, 10, kFound, 1, false},
      {"the current from its birth", kChanged, 30, 10, kFound, 2, false},
      {"long after", kChanged, 1000, 10, kFound, 2, false},
      {"before the oldest slot kept", kChanged, 25, 26, kUnknown, -1, false},
      {"deleted meanwhile", kRecreated, 25, 10, kNone, -1, false},
      {"made again", kRecreated, 30, 10, kFound, 1, false},
      {"not yet made", kRecreated, 5, 0, kNone, -1, false},
      {"folder archived whole", kFolder, 25, 10, kFound, 0, false},
      {"a carrying folder is none", kFolder, 34, 10, kNone, -1, false},
      {"folder made again", kFolder, 35, 10, kFound, 2, false},
      {"birth between the bounds", kBounded, 10, 0, kFound, 0, true},
      {"birth surely past", kBounded, 16, 0, kFound, 0, false},
      {"before the lower bound", kBounded, 4, 0, kNone, -1, false},
      {"current, birth unsettled", kBounded, 22, 0, kFound, 1, true},
      {"current, birth settled", kBounded, 25, 0, kFound, 1, false},
      {"a shared inode is the current", kLinked, 15, 0, kFound, 1, false},
  };
  for (const auto& c : kCases) {
    const TVersionAt at = VersionAt(c.items, c.t, c.known_from);
    EXPECT_EQ(at.state, c.state) << c.what;
    EXPECT_EQ(at.index, c.index) << c.what;
    EXPECT_EQ(at.uncertain, c.uncertain) << c.what;
  }
}

TEST(LifetimeTest, VersionsNewestFirstWithoutCarriersOrSecondLinks) {
  EXPECT_EQ(VersionOrder(kChanged), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(VersionOrder(kFolder), (std::vector<int>{2, 0}));
  EXPECT_EQ(VersionOrder(kLinked), (std::vector<int>{1}));
  EXPECT_EQ(VersionOrder({Inode(Item(1, 5, 4), 3), Inode(Item(1, 5, 4), 3)}),
            (std::vector<int>{0}));
  // Only folders carry, and only from their slot's start on.
  EXPECT_FALSE(OnlyCarries(Item(34, 36, 34)));
  EXPECT_TRUE(OnlyCarries(Item(34, 36, 34, true)));
  EXPECT_FALSE(OnlyCarries(Item(33, 36, 34, true)));
  EXPECT_FALSE(OnlyCarries(Current(40, true)));
}

// A zone two hours east of UTC that goes to three from 2026-03-29 01:00 UTC
// and back a day later: local 03:00 .. 04:00 does not exist the first night
// and comes twice the second.
class ZonedPlatform : public PlatformWrapper {
 public:
  ZonedPlatform() : PlatformWrapper(DefaultPlatform()) {}
  TLocalTime ToLocalTime(FileTime time) override {
    const int64_t utc = time / kFileTimeTicksPerSecond - kUnixEpochSeconds;
    const int64_t local = utc + (utc >= kChange && utc < kBack ? 3 : 2) * 3600;
    TLocalTime t;
    const int64_t days = local / 86400;
    // 2026-03-28 is day 20540 since 1970.
    t.year = 2026;
    t.month = 3;
    t.day = static_cast<int>(28 + days - 20540);
    t.hour = static_cast<int>(local % 86400 / 3600);
    t.minute = static_cast<int>(local % 3600 / 60);
    t.second = static_cast<int>(local % 60);
    return t;
  }
  static constexpr int64_t kChange = 20541LL * 86400 + 3600;
  static constexpr int64_t kBack = kChange + 86400;
};

FileTime Unix(int64_t seconds) { return (seconds + kUnixEpochSeconds) * kFileTimeTicksPerSecond; }

TEST(LifetimeTest, SlotNamesAndTimesInUtc) {
  ZonedPlatform zone;
  const struct {
    int day, hour, minute;
    int64_t utc;
  } kLocal[] = {
      {28, 12, 0, 20540LL * 86400 + 10 * 3600},
      {29, 2, 59, 20541LL * 86400 + 59 * 60},
      {29, 4, 0, ZonedPlatform::kChange},
      {29, 3, 30, ZonedPlatform::kChange + 30 * 60},  // skipped: the moment after
      {30, 3, 30, ZonedPlatform::kBack - 30 * 60},    // twice: the earlier
      {30, 4, 30, ZonedPlatform::kBack + 90 * 60},
  };
  for (const auto& c : kLocal) {
    TLocalTime t;
    t.year = 2026, t.month = 3, t.day = c.day, t.hour = c.hour, t.minute = c.minute;
    EXPECT_EQ(FromLocalTime(zone, t), Unix(c.utc)) << c.day << " " << c.hour << ":" << c.minute;
  }
  EXPECT_EQ(Rfc3339Text(Unix(0)), "1970-01-01T00:00:00.0000000Z");
  EXPECT_EQ(Rfc3339Text(Unix(20541LL * 86400 + 3661) + 1234567), "2026-03-29T01:01:01.1234567Z");
  EXPECT_EQ(Rfc3339Text(Unix(951782400)), "2000-02-29T00:00:00.0000000Z");
}

}  // namespace
}  // namespace qv::testing
