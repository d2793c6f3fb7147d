// Locks between processes: flock on a directory (or on a file inside it
// where the file system refuses that), and the holder from /proc/locks.
#include "filesys/posix/dir_lock.h"

#include <cinttypes>
#include <cstdio>
#include <sstream>
#include <thread>
#include <utility>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"
#include "filesys/posix/unique_fd.h"

namespace qv {

namespace {

class PosixDirLock : public DirLock {
 public:
  explicit PosixDirLock(UniqueFd fd) : fd_(std::move(fd)) {}

 private:
  UniqueFd fd_;  // the lock goes with the last descriptor of its open file
};

constexpr auto kSharedPoll = std::chrono::milliseconds(20);

Status FlockOnce(int fd, TLockMode mode) {
  const int operation = (mode == TLockMode::kShared ? LOCK_SH : LOCK_EX) | LOCK_NB;
  while (::flock(fd, operation) != 0) {
    if (errno != EINTR) return ErrnoStatus();
  }
  return Status::Ok();
}

LockHolder HolderOf(int fd, bool* none_exclusive = nullptr) {
  LockHolder holder;
  struct stat st;
  std::string table;
  if (none_exclusive != nullptr) *none_exclusive = false;
  if (::fstat(fd, &st) != 0 || !ReadWholeFile("/proc/locks", &table).ok()) return holder;
  holder.pid = LockHolderPid(table, major(st.st_dev), minor(st.st_dev), st.st_ino, none_exclusive);
  if (holder.pid > 0 &&
      ReadWholeFile("/proc/" + std::to_string(holder.pid) + "/comm", &holder.command).ok()) {
    while (!holder.command.empty() && holder.command.back() == '\n') holder.command.pop_back();
  }
  return holder;
}

// Readers hold the lock shared for a moment only: an exclusive taker waits
// them out (bounded) rather than taking them for a scan.
Status FlockNow(int fd, TLockMode mode) {
  Status status = FlockOnce(fd, mode);
  if (mode == TLockMode::kShared) return status;
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(Platform::kSharedLockWaitMs);
  bool none_exclusive = true;
  while (status.cond() == Cond::kBusy && std::chrono::steady_clock::now() < until) {
    HolderOf(fd, &none_exclusive);
    if (!none_exclusive) break;
    std::this_thread::sleep_for(kSharedPoll);
    status = FlockOnce(fd, mode);
  }
  return status;
}

Status Take(UniqueFd fd, Status status, std::unique_ptr<DirLock>* lock, LockHolder* holder) {
  if (status.ok()) {
    *lock = std::make_unique<PosixDirLock>(std::move(fd));
  } else if (status.cond() == Cond::kBusy) {
    *holder = HolderOf(fd.get());
  }
  return status;
}

}  // namespace

Status PosixLockDir(const std::string& dir, const std::string& fallback_name, bool on_directory,
                    std::unique_ptr<DirLock>* lock, LockHolder* holder, TLockMode mode) {
  UniqueFd directory(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!directory.valid()) return ErrnoStatus();
  if (on_directory) {
    const Status status = FlockNow(directory.get(), mode);
    // NFS emulates flock with byte-range locks, which a directory cannot take.
    if (status.ok() || status.cond() == Cond::kBusy) {
      return Take(std::move(directory), status, lock, holder);
    }
  }
  // A reader changes nothing in the destination, not even the lock file.
  const int access = mode == TLockMode::kShared ? O_RDONLY : O_RDWR | O_CREAT;
  UniqueFd file(::openat(directory.get(), fallback_name.c_str(),
                         access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  if (!file.valid()) return ErrnoStatus();
  const Status status = FlockNow(file.get(), mode);
  return Take(std::move(file), status, lock, holder);
}

int64_t LockHolderPid(std::string_view table, unsigned major, unsigned minor, uint64_t inode,
                      bool* none_exclusive) {
  char wanted[64];
  std::snprintf(wanted, sizeof wanted, "%02x:%02x:%" PRIu64, major, minor, inode);
  std::istringstream lines{std::string(table)};
  std::string line;
  int64_t found = 0;
  bool shared = true;
  while (std::getline(lines, line)) {
    // "1: FLOCK  ADVISORY  WRITE 4242 fd:01:1234 0 EOF"; a waiter has "->"
    // after the number.
    std::istringstream fields(line);
    std::string number, type, mode, access, pid, file;
    fields >> number >> type >> mode >> access >> pid >> file;
    if (type == "->" || file != wanted) continue;
    shared = shared && access == "READ";
    int64_t value = 0;
    if (found == 0 && std::sscanf(pid.c_str(), "%" SCNd64, &value) == 1 && value > 0) {
      found = value;
    }
  }
  if (none_exclusive != nullptr) *none_exclusive = shared;
  return found;
}

Status PosixPlatform::LockDir(const std::string& dir, const std::string& fallback_name,
                              std::unique_ptr<DirLock>* lock, LockHolder* holder) {
  return PosixLockDir(dir, fallback_name, true, lock, holder);
}

Status PosixPlatform::LockDirShared(const std::string& dir, const std::string& fallback_name,
                                    std::unique_ptr<DirLock>* lock, LockHolder* holder) {
  return PosixLockDir(dir, fallback_name, true, lock, holder, TLockMode::kShared);
}

}  // namespace qv
