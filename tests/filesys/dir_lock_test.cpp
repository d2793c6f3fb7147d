// Locks between processes on directories: where the file system cannot
// lock a directory (NFS), a file inside it carries the lock, with the same
// exclusion and the same holder (the directory's own lock is tested with
// the scans that take it).
#include "filesys/posix/dir_lock.h"

#include <string>
#include <thread>

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

// Readers share the lock; a scan waits them out, but not another scan, and
// a reader never makes the fallback file.
TEST(DirLockTest, SharedHoldersExcludeOnlyAnExclusiveOne) {
  ScopedTempDir dir;
  for (const bool on_directory : {true, false}) {
    std::unique_ptr<DirLock> reader, other_reader, writer;
    LockHolder holder;
    const auto shared = [&](std::unique_ptr<DirLock>* lock) {
      return PosixLockDir(dir.path(), ".lock", on_directory, lock, &holder, TLockMode::kShared);
    };
    if (!on_directory) {
      EXPECT_EQ(shared(&reader).cond(), Cond::kNotFound);
      EXPECT_FALSE(PathExists(dir / ".lock"));
      ASSERT_TRUE(PosixLockDir(dir.path(), ".lock", false, &writer, &holder).ok());
      writer.reset();
    }
    ASSERT_TRUE(shared(&reader).ok()) << on_directory;
    ASSERT_TRUE(shared(&other_reader).ok()) << on_directory;
    other_reader.reset();
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      reader.reset();
    });
    EXPECT_TRUE(PosixLockDir(dir.path(), ".lock", on_directory, &writer, &holder).ok());
    release.join();
    EXPECT_EQ(shared(&reader).cond(), Cond::kBusy) << on_directory;
    EXPECT_EQ(holder.pid, getpid());
    // A scan holding it: the next scan fails.
    std::unique_ptr<DirLock> second;
    EXPECT_EQ(PosixLockDir(dir.path(), ".lock", on_directory, &second, &holder).cond(),
              Cond::kBusy);
  }
}

// Waiters are listed too, but hold nothing.
TEST(DirLockTest, LockTableNamesTheGrantedHolderOfThatFileOnly) {
  const char* table =
      "1: FLOCK  ADVISORY  WRITE 300 08:01:77 0 EOF\n"
      "2: -> FLOCK  ADVISORY  WRITE 301 fd:01:77 0 EOF\n"
      "2: FLOCK  ADVISORY  READ 302 fd:01:77 0 EOF\n"
      "3: FLOCK  ADVISORY  READ 303 fd:01:77 0 EOF\n"
      "4: FLOCK  ADVISORY  READ 304 fd:01:78 0 EOF\n"
      "5: FLOCK  ADVISORY  WRITE 305 fd:01:78 0 EOF\n";
  const struct {
    unsigned major;
    uint64_t inode;
    int64_t pid;
    bool none_exclusive;
  } kCases[] = {// Not listed: the holders let go meanwhile, so a writer tries again.
                {0xfd, 77, 302, true},
                {8, 77, 300, false},
                {0xfd, 78, 304, false},
                {0xfd, 7, 0, true}};
  for (const auto& c : kCases) {
    bool none_exclusive = !c.none_exclusive;
    EXPECT_EQ(LockHolderPid(table, c.major, 1, c.inode, &none_exclusive), c.pid) << c.inode;
    EXPECT_EQ(none_exclusive, c.none_exclusive) << c.inode;
  }
}

}  // namespace
}  // namespace qv::testing
