#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesys/overlay_platform.h"
#include "filesys/posix/posix_platform.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/entry_names.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

// top/ holds a/ (x, y) and the file f.
class ListDirAtTest : public ::testing::Test {
 protected:
  ListDirAtTest() { MakeTree(temp_.path(), {"top/a/x=1", "top/a/y=2", "top/f=3"}); }

  // Lists name inside the held top/ through platform.
  Status List(Platform& platform, const std::string& name, std::vector<std::string>* names,
              DirIdentity* identity) {
    std::unique_ptr<HeldDir> held;
    if (const Status s = platform.HoldDir(temp_ / "top/", &held); !s.ok()) return s;
    std::vector<DirEntry> entries;
    const Status s = platform.ListDirAt(*held, name, &entries, identity);
    *names = Names(entries);
    return s;
  }

  PosixPlatform posix_;
  ScopedTempDir temp_;
};

// Lists what ListDir lists and names the directory it read; never more than
// one component, and never a path ListDir could not reach.
TEST_F(ListDirAtTest, ListsOneLevelBelowTheHeldDirectory) {
  struct Case {
    std::string name;
    int error;
    std::vector<std::string> names;
    const char* identity;  // whose device and inode it answers
  };
  const std::vector<Case> cases = {
      {"a", 0, {"x", "y"}, "top/a"},
      {"", 0, {"a", "f"}, "top"},
      {"f", ENOTDIR, {}, nullptr},
      {"missing", ENOENT, {}, nullptr},
      {"a/..", EINVAL, {}, nullptr},
      {"..", EINVAL, {}, nullptr},
      {std::string(5000, 'n'), ENAMETOOLONG, {}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 20));
    std::vector<std::string> names;
    DirIdentity identity;
    EXPECT_EQ(List(posix_, c.name, &names, &identity).code(), c.error);
    EXPECT_EQ(names, c.names);
    if (c.identity == nullptr) continue;
    FileInfo info;
    ASSERT_TRUE(posix_.Stat(temp_ / c.identity, &info).ok());
    EXPECT_EQ(identity.device, info.device);
    EXPECT_EQ(identity.inode, info.inode);
  }
}

// Faults find the listing by the held path joined with the name, as they
// find ListDir's by its path.
TEST_F(ListDirAtTest, FaultsMatchTheJoinedPath) {
  FaultPlatform faults(posix_);
  faults.AddFault({Op::kListDir, "top/a", 0, EIO, -1});
  std::vector<std::string> names;
  DirIdentity identity;
  EXPECT_EQ(List(faults, "a", &names, &identity).code(), EIO);
  EXPECT_TRUE(List(faults, "", &names, &identity).ok());
}

// The plan's overlay lists its own changes, which never reach the disk.
TEST_F(ListDirAtTest, TheOverlayListsItsOwnChanges) {
  TOverlayPlatform overlay(posix_, 1);
  ASSERT_TRUE(overlay.CreateDir(temp_ / "top/a/new").ok());
  ASSERT_TRUE(overlay.DeleteFile(temp_ / "top/a/x").ok());
  std::vector<std::string> names;
  DirIdentity identity;
  ASSERT_TRUE(List(overlay, "a", &names, &identity).ok());
  EXPECT_EQ(names, (std::vector<std::string>{"new", "y"}));
  EXPECT_EQ(List(overlay, "f", &names, &identity).code(), ENOTDIR);
}

}  // namespace
}  // namespace qv::testing
