// The program's own entries in a destination: archive folders and log files
// are private whatever the umask, and log files are reached from a held
// directory without passing a link.
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
    bool created = false;
    return status.ok() ? platform_.AppendPrivateFile(*held, relative, data, &created) : status;
  }
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

// The held directory is the one the confinement held: renaming it or
// swapping what lies below it later never leads an append elsewhere.
TEST_F(PrivateEntriesTest, AppendsStayInTheHeldDirectoryAfterTheConfinementEnds) {
  const std::string dest = temp_ / "dest/", outside = temp_ / "outside/";
  MakeTree(temp_.path(), {"dest/archive/Logs/", "outside/log.txt=outside"});
  platform_.ConfineTo({dest});
  FileInfo info;
  ASSERT_TRUE(platform_.Stat(dest + "archive", &info).ok());  // the root is opened
  ASSERT_EQ(rename(dest.c_str(), (temp_ / "dest.moved").c_str()), 0);
  MakeDirs(dest + "archive/Logs");
  std::unique_ptr<HeldDir> held;
  ASSERT_TRUE(platform_.HoldDir(dest, &held).ok());
  platform_.ConfineTo({});
  bool created = false;
  ASSERT_TRUE(platform_.AppendPrivateFile(*held, "archive/Logs/log.txt", "a", &created).ok());
  EXPECT_EQ(ReadFile(temp_ / "dest.moved/archive/Logs/log.txt"), "a");
  EXPECT_FALSE(PathExists(dest + "archive/Logs/log.txt"));

  const std::string moved = temp_ / "dest.moved/";
  const struct {
    const char* name;
    const char* link;  // made a link to outside, below moved
    const char* relative;
    int error;
  } kSwaps[] = {
      {"log folder", "archive/Logs", "archive/Logs/log.txt", ELOOP},
      {"archive folder", "archive", "archive/Logs/log.txt", ELOOP},
      {"log file", "archive/Logs/log.txt", "archive/Logs/log.txt", ELOOP},
      {"way up", nullptr, "archive/../../outside/log.txt", EINVAL},
  };
  for (const auto& swap : kSwaps) {
    SCOPED_TRACE(swap.name);
    if (swap.link != nullptr) {
      const std::string link = moved + swap.link;
      ASSERT_EQ(rename(link.c_str(), (link + ".real").c_str()), 0);
      const std::string target = std::string(swap.link).ends_with(".txt") ? "log.txt" : "";
      ASSERT_EQ(symlink((outside + target).c_str(), link.c_str()), 0);
    }
    EXPECT_EQ(platform_.AppendPrivateFile(*held, swap.relative, "b", &created).code(), swap.error);
    EXPECT_EQ(ReadFile(outside + "log.txt"), "outside");
    if (swap.link != nullptr) {
      const std::string link = moved + swap.link;
      ASSERT_EQ(unlink(link.c_str()), 0);
      ASSERT_EQ(rename((link + ".real").c_str(), link.c_str()), 0);
    }
  }
}

TEST_F(PrivateEntriesTest, ExfatKeepsNeitherHolesNorModesAndThatIsNoError) {
  ScopedImageMount exfat(temp_ / "exfat/", ScopedImageMount::Kind::kExfat);
  SKIP_UNLESS_MOUNTED(exfat);
  DataLayout layout;
  ASSERT_TRUE(platform_.GetDataLayout(exfat.dir, &layout).ok());
  EXPECT_FALSE(layout.keeps_holes);
  ScopedUmask scoped(0);
  ASSERT_TRUE(platform_.CreatePrivateDir(exfat.dir + "archive").ok());
  ASSERT_TRUE(Append(exfat.dir, "archive/log.txt", "kept").ok());
  EXPECT_EQ(ReadFile(exfat.dir + "archive/log.txt"), "kept");
}

}  // namespace
}  // namespace qv::testing
