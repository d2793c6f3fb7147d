// One scan per destination at a time: a mirror whose destination another
// scan holds is left to it, untouched.
#include <cerrno>
#include <memory>
#include <string>

#include <unistd.h>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

std::string OwnCommand() {
  std::string command = ReadFile("/proc/self/comm");
  if (!command.empty() && command.back() == '\n') command.pop_back();
  return command;
}

TEST_F(MirrorTest, DestinationLockedByAnotherScanIsLeftAlone) {
  const std::string unfinished = ".qv-tmp-0123456789abcdef-big.bin";  // the other scan's copy
  MakeTree(dst_, {"gone.txt=old", unfinished + "=half"});
  MakeTree(src_, {"new.txt=new"});
  std::unique_ptr<DirLock> other;
  LockHolder holder;
  ASSERT_TRUE(DefaultPlatform().LockDir(dst_, kLockFileName, &other, &holder).ok());

  Run();

  EXPECT_EQ(errors_, 1);
  ExpectLogged({"Error: Another scan is updating " + dst_ + " (process " +
                    std::to_string(getpid()) + " (" + OwnCommand() +
                    ")); this mirror is left to it.",
                "Canceling the mirror from " + src_ + " to " + dst_});
  EXPECT_EQ(DestTree(), (Tree{unfinished + "=half", "gone.txt=old"}));
  EXPECT_FALSE(PathExists(dst_ + kArchiveDirName));
  EXPECT_TRUE(ini_.ListValues(mapping_->archive_key()).empty());

  other.reset();
  platform_.AddFault({Op::kLockDir, "dst", 0, ENOLCK, 1});  // no lock, no mirror
  Run();
  EXPECT_TRUE(log_.Has("Error 37: Could not lock destination " + dst_ + ". No locks available"));
  EXPECT_EQ(errors_, 1);
  EXPECT_EQ(DestTree(), (Tree{unfinished + "=half", "gone.txt=old"}));

  Run();
  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(DestTree(), Tree{"new.txt=new"});
  EXPECT_TRUE(DefaultPlatform().LockDir(dst_, kLockFileName, &other, &holder).ok());  // released
}

}  // namespace
}  // namespace qv::testing
