// Locks between processes on directories: where the file system cannot
// lock a directory (NFS), a file inside it carries the lock, with the same
// exclusion and the same holder (the directory's own lock is tested with
// the scans that take it).
#include "filesys/posix/dir_lock.h"

#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

TEST(DirLockTest, FallbackFileExcludesASecondTakerAndNamesTheHolder) {
  ScopedTempDir dir;
  std::unique_ptr<DirLock> first, second;
  LockHolder holder;
  ASSERT_TRUE(PosixLockDir(dir.path(), ".lock", false, &first, &holder).ok());
  EXPECT_TRUE(PathExists(dir / ".lock"));

  EXPECT_EQ(PosixLockDir(dir.path(), ".lock", false, &second, &holder).cond(), Cond::kBusy);
  EXPECT_EQ(holder.pid, getpid());
  EXPECT_EQ(holder.command + "\n", ReadFile("/proc/self/comm"));

  first.reset();
  EXPECT_TRUE(PosixLockDir(dir.path(), ".lock", false, &second, &holder).ok());
}

// Waiters are listed too, but hold nothing.
TEST(DirLockTest, LockTableNamesTheGrantedHolderOfThatFileOnly) {
  const char* table =
      "1: FLOCK  ADVISORY  WRITE 300 08:01:77 0 EOF\n"
      "2: -> FLOCK  ADVISORY  WRITE 301 fd:01:77 0 EOF\n"
      "2: FLOCK  ADVISORY  WRITE 302 fd:01:77 0 EOF\n";
  EXPECT_EQ(LockHolderPid(table, 0xfd, 1, 77), 302);
  EXPECT_EQ(LockHolderPid(table, 8, 1, 77), 300);
  EXPECT_EQ(LockHolderPid(table, 0xfd, 1, 7), 0);
}

}  // namespace
}  // namespace qv::testing
