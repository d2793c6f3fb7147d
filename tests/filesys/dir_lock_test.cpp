// Locks between processes on directories: they exclude each other, name
// their holder, and go with the process that held them.
#include "filesys/posix/dir_lock.h"

#include <csignal>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

constexpr char kFallback[] = ".lock";

std::string OwnCommand() {
  std::string command = ReadFile("/proc/self/comm");
  if (!command.empty() && command.back() == '\n') command.pop_back();
  return command;
}

// On the directory itself, and on the file a file system without
// directory locks (NFS) gets instead.
class DirLockTest : public ::testing::TestWithParam<bool> {
 protected:
  Status Lock(std::unique_ptr<DirLock>* lock, LockHolder* holder) {
    return PosixLockDir(dir_.path(), kFallback, GetParam(), lock, holder);
  }
  ScopedTempDir dir_;
};

TEST_P(DirLockTest, SecondTakerIsToldWhoHoldsItUntilItIsReleased) {
  std::unique_ptr<DirLock> first, second;
  LockHolder holder;
  ASSERT_TRUE(Lock(&first, &holder).ok());
  EXPECT_EQ(PathExists(dir_ / kFallback), !GetParam());

  EXPECT_EQ(Lock(&second, &holder).cond(), Cond::kBusy);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(holder.pid, getpid());
  EXPECT_EQ(holder.command, OwnCommand());

  first.reset();
  EXPECT_TRUE(Lock(&second, &holder).ok());
}

TEST_P(DirLockTest, KilledHolderLeavesTheLockFree) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    std::unique_ptr<DirLock> lock;
    LockHolder holder;
    const char taken = Lock(&lock, &holder).ok() ? 'y' : 'n';
    (void)!write(ready[1], &taken, 1);
    pause();
    _exit(0);
  }
  ASSERT_GT(child, 0);
  char taken = 0;
  ASSERT_EQ(read(ready[0], &taken, 1), 1);
  ASSERT_EQ(taken, 'y');
  std::unique_ptr<DirLock> lock;
  LockHolder holder;
  EXPECT_EQ(Lock(&lock, &holder).cond(), Cond::kBusy);
  EXPECT_EQ(holder.pid, child);

  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(Lock(&lock, &holder).ok());
  close(ready[0]);
  close(ready[1]);
}

INSTANTIATE_TEST_SUITE_P(Posix, DirLockTest, ::testing::Bool(), [](const auto& param) {
  return std::string(param.param ? "OnDirectory" : "OnFallbackFile");
});

TEST(LockTableTest, NamesTheGrantedHolderOfThatFileOnly) {
  const char* table =
      "1: FLOCK  ADVISORY  WRITE 300 08:01:77 0 EOF\n"
      "2: -> FLOCK  ADVISORY  WRITE 301 fd:01:77 0 EOF\n"
      "2: FLOCK  ADVISORY  WRITE 302 fd:01:77 0 EOF\n"
      "3: POSIX  ADVISORY  WRITE 303 fd:01:770 0 EOF\n";
  EXPECT_EQ(LockHolderPid(table, 0xfd, 1, 77), 302);  // not the waiter
  EXPECT_EQ(LockHolderPid(table, 8, 1, 77), 300);
  EXPECT_EQ(LockHolderPid(table, 0xfd, 1, 7), 0);
}

}  // namespace
}  // namespace qv::testing
