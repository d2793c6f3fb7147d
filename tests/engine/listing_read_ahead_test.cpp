#include "engine/listing_read_ahead.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesys/testing/fault_platform.h"
#include "tests/support/entry_names.h"
#include "tests/support/latch.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

constexpr std::chrono::seconds kLimit{30};

// src/ holds a/ (x, y) and b/ (z); dst/ holds c/.
class ReadAheadTest : public ::testing::Test {
 protected:
  ReadAheadTest() {
    MakeTree(dir_.path(), {"src/a/x=1", "src/a/y=2", "src/b/z=3", "dst/c/w=4", "other/v=5"});
  }

  DirIdentity IdentityOf(const std::string& relative) {
    FileInfo info;
    EXPECT_TRUE(platform_.Stat(dir_ / relative, &info).ok());
    return {info.device, info.inode};
  }

  ScopedTempDir dir_;
  FaultPlatform platform_{DefaultPlatform()};
};

// When the walk's change comes: while the listing is read, or after.
enum class When { kDuringRead, kAfterRead };

// A change at or above a listing spoils it; one beside it does not.
struct ChangeCase {
  const char* name;
  const char* changed;  // relative to the temp dir; "" = no change
  When when;
  bool taken;
};

const ChangeCase kChanges[] = {
    {"NoChange", "", When::kAfterRead, true},
    {"EntryOfTheListedDir", "src/a/x", When::kAfterRead, false},
    {"EntryOfTheListedDirDuringTheRead", "src/a/x", When::kDuringRead, false},
    {"NewEntryOfTheListedDir", "src/a/new", When::kAfterRead, false},
    {"TheDirItself", "src/a", When::kAfterRead, false},
    {"ADirAbove", "src", When::kAfterRead, false},
    {"ADirAboveDuringTheRead", "src/", When::kDuringRead, false},
    {"ASiblingDir", "src/b", When::kAfterRead, true},
    {"AnEntryOfASiblingDirDuringTheRead", "src/b/z", When::kDuringRead, true},
    {"TheOtherRoot", "dst/c/w", When::kAfterRead, true},
    {"OutsideTheRoots", "other/v", When::kAfterRead, false},
    {"AnotherSpelling", "src//b/z", When::kAfterRead, false},
    {"ADotDotSpelling", "src/b/../a/x", When::kDuringRead, false},
};

class ReadAheadChangeTest : public ReadAheadTest,
                            public ::testing::WithParamInterface<ChangeCase> {};

// One reader lists a/ and then b/; the reader is held inside one of the
// two reads while the change is reported, so it lands during a/'s read or
// after it.
TEST_P(ReadAheadChangeTest, AChangeSpoilsTheListingsItTouches) {
  const ChangeCase& c = GetParam();
  const std::string held_at = dir_ / (c.when == When::kDuringRead ? "src/a" : "src/b");
  TLatch started;
  TLatch go;
  platform_.on_call = [&](Op op, const std::string& path) {
    if (op != Op::kListDir || path != held_at) return;
    started.Open();
    (void)go.Wait(kLimit);
  };
  TListingReadAhead ahead(platform_, {dir_ / "src/", dir_ / "dst/"}, {.count = 1});
  const std::string a = dir_ / "src/a/";
  ahead.Want({a, dir_ / "src/b/"});
  ASSERT_TRUE(started.Wait(kLimit));
  if (*c.changed != '\0') ahead.Changed(dir_ / c.changed);
  go.Open();
  std::vector<DirEntry> entries;
  EXPECT_EQ(ahead.Take(a, IdentityOf("src/a"), &entries), c.taken);
  if (c.taken) {
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"x", "y"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Changes, ReadAheadChangeTest, ::testing::ValuesIn(kChanges),
                         [](const auto& row) { return std::string(row.param.name); });

// What the walk expects or did decides too: a listing of another directory
// than the one it found, a failed read and one it is done with are never
// handed out.
struct TakeCase {
  const char* name;
  const char* expected;  // the directory whose identity the walk expects; "" none
  bool fail_read;
  bool forget;
  bool taken;
};

const TakeCase kTakes[] = {
    {"AsExpected", "src/a", false, false, true},
    {"AnotherDirectory", "src/b", false, false, false},
    {"NoIdentityKnown", "", false, false, false},
    {"ReadFailed", "src/a", true, false, false},
    {"Forgotten", "src/a", false, true, false},
};

class ReadAheadTakeTest : public ReadAheadTest, public ::testing::WithParamInterface<TakeCase> {};

TEST_P(ReadAheadTakeTest, OnlyASoundListingIsTaken) {
  const TakeCase& c = GetParam();
  if (c.fail_read) platform_.AddFault({Op::kListDir, "src/a", 0, EIO, -1});
  TLatch read;
  platform_.on_call = [&](Op op, const std::string& path) {
    if (op == Op::kListDir && path == dir_ / "src/b") read.Open();
  };
  TListingReadAhead ahead(platform_, {dir_ / "src/"}, {.count = 1});
  const std::string a = dir_ / "src/a/";
  ahead.Want({a, dir_ / "src/b/"});
  ASSERT_TRUE(read.Wait(kLimit));  // a/ was read before
  if (c.forget) ahead.Forget(dir_ / "src/");
  const DirIdentity expect = *c.expected == '\0' ? DirIdentity{} : IdentityOf(c.expected);
  std::vector<DirEntry> entries;
  EXPECT_EQ(ahead.Take(a, expect, &entries), c.taken);
}

INSTANTIATE_TEST_SUITE_P(Takes, ReadAheadTakeTest, ::testing::ValuesIn(kTakes),
                         [](const auto& row) { return std::string(row.param.name); });

// On a slow disk the helpers read beside the reader: a read that waits
// holds up neither the next one nor the walk's take of it.
TEST_F(ReadAheadTest, HelpersReadWhileAReadWaits) {
  TLatch b_started;
  TLatch go;
  platform_.on_call = [&](Op op, const std::string& path) {
    if (op != Op::kListDir) return;
    if (path == dir_ / "src/a") (void)go.Wait(kLimit);
    if (path == dir_ / "src/b") b_started.Open();
  };
  TListingReadAhead ahead(platform_, {dir_ / "src/"}, {.count = 2, .slow_per_entry = 0});
  const std::string a = dir_ / "src/a/";
  const std::string b = dir_ / "src/b/";
  ahead.Want({a, b});
  ASSERT_TRUE(b_started.Wait(kLimit));
  std::vector<DirEntry> entries;
  EXPECT_TRUE(ahead.Take(b, IdentityOf("src/b"), &entries));
  EXPECT_EQ(Names(entries), (std::vector<std::string>{"z"}));
  go.Open();
  EXPECT_TRUE(ahead.Take(a, IdentityOf("src/a"), &entries));
  EXPECT_EQ(Names(entries), (std::vector<std::string>{"x", "y"}));
}

}  // namespace
}  // namespace qv::testing
