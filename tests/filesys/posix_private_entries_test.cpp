// The program's own entries in a destination: archive folders and log files
// are private whatever the umask, and log files are appended to all or
// nothing, from a held directory, without passing a link.
#include <memory>

#include <sys/stat.h>

#include "tests/filesys/posix_fixture.h"
#include "tests/support/scoped_mount.h"
#include "tests/support/scoped_umask.h"

namespace qv::testing {
namespace {

class PrivateEntriesTest : public PosixTest {
 protected:
  // Holds dir and appends data to relative below it; answers the status.
  Status Append(const std::string& dir, const std::string& relative,
                const std::string& data = "x") {
    std::unique_ptr<HeldDir> held;
    const Status status = platform_.HoldDir(dir, &held);
    return status.ok() ? platform_.AppendPrivateFile(*held, relative, data, &created_) : status;
  }

  bool created_ = false;
};

// A umask that takes the owner's own bits away would lock the program out
// of its archive.
TEST_F(PrivateEntriesTest, ModesAreExactWhateverTheUmask) {
  for (const mode_t mask : {0000, 0277}) {
    SCOPED_TRACE(mask);
    ScopedUmask scoped(mask);
    const std::string dir = temp_ / ("mask " + std::to_string(mask) + "/");
    ASSERT_TRUE(platform_.CreatePrivateDir(dir).ok());
    EXPECT_EQ(ModeOf(dir), 0700u);
    ASSERT_TRUE(Append(dir, "made.txt").ok());
    EXPECT_EQ(ModeOf(dir + "made.txt"), 0600u);
  }
}

// A log save that fails part way must not leave its first part behind: the
// retry writes the whole text again.
TEST_F(PrivateEntriesTest, AppendSaysWhetherItCreatedFollowsNoLinkAndIsAllOrNothing) {
  ASSERT_TRUE(Append(temp_.path(), "log", "a").ok() && created_);
  ASSERT_TRUE(Append(temp_.path(), "log", "b").ok());
  EXPECT_FALSE(created_);
  ASSERT_EQ(symlink("log", (temp_ / "link").c_str()), 0);
  EXPECT_EQ(Append(temp_.path(), "link").code(), ELOOP);
  EXPECT_EQ(ReadFile(temp_ / "log"), "ab");
  ScopedMount small(temp_ / "small/", "tmpfs", "size=64k");
  SKIP_UNLESS_MOUNTED(small);
  ASSERT_TRUE(Append(small.dir, "log", "kept").ok());
  const std::string huge(1 << 20, 'x');
  EXPECT_EQ(Append(small.dir, "log", huge).cond(), Cond::kDiskFull);
  EXPECT_EQ(ReadFile(small.dir + "log"), "kept");
  EXPECT_EQ(Append(small.dir, "new", huge).cond(), Cond::kDiskFull);
  EXPECT_FALSE(PathExists(small.dir + "new"));
}

// The held directory is the one the confinement held: renamed later, it still
// takes the appends after the confinement ended, and a folder below it
// swapped for a link, or a way up, never leads them outside.
TEST_F(PrivateEntriesTest, AppendsStayInTheHeldDirectoryAfterTheConfinementEnds) {
  const std::string dest = temp_ / "dest/", moved = temp_ / "dest.moved/";
  MakeTree(temp_.path(), {"dest/archive/Logs/", "outside/log.txt=outside"});
  platform_.ConfineTo({dest});
  FileInfo info;
  ASSERT_TRUE(platform_.Stat(dest + "archive", &info).ok());  // the root is opened
  ASSERT_EQ(rename(dest.c_str(), moved.c_str()), 0);
  MakeDirs(dest + "archive/Logs");
  std::unique_ptr<HeldDir> held;
  ASSERT_TRUE(platform_.HoldDir(dest, &held).ok());
  platform_.ConfineTo({});
  ASSERT_TRUE(platform_.AppendPrivateFile(*held, "archive/Logs/log.txt", "a", &created_).ok());
  EXPECT_EQ(ReadFile(moved + "archive/Logs/log.txt"), "a");
  EXPECT_FALSE(PathExists(dest + "archive/Logs/log.txt"));

  ASSERT_EQ(rename((moved + "archive").c_str(), (moved + "real").c_str()), 0);
  ASSERT_EQ(symlink((temp_ / "outside").c_str(), (moved + "archive").c_str()), 0);
  EXPECT_EQ(platform_.AppendPrivateFile(*held, "archive/log.txt", "b", &created_).code(), ELOOP);
  EXPECT_EQ(platform_.AppendPrivateFile(*held, "real/../../outside/log.txt", "b", &created_).code(),
            EINVAL);
  EXPECT_EQ(ReadFile(temp_ / "outside/log.txt"), "outside");
}

}  // namespace
}  // namespace qv::testing
