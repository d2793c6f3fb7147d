// Environment, user, clocks and the calling thread's priority.
#include <cstdlib>
#include <ctime>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

// Nice values of the priority indexes 1 ("Lowest") .. 6 ("Time critical").
constexpr int kNiceByIndex[] = {19, 10, 0, -5, -10, -20};

// The kernel's I/O priority ABI, spelled here: newer <linux/ioprio.h> does not
// compile as C++ (a parameter named "class").
constexpr int kIoprioWhoProcess = 1;
constexpr int kIoprioClassShift = 13;
constexpr int kIoprioClassNone = 0;
constexpr int kIoprioClassIdle = 3;

constexpr int IoPriority(int io_class) { return io_class << kIoprioClassShift; }

bool IsRefused(int code) { return code == EACCES || code == EPERM; }

Status SetIoPriority(pid_t tid, int value) {
  if (::syscall(SYS_ioprio_set, kIoprioWhoProcess, tid, value) != 0) return ErrnoStatus();
  return Status::Ok();
}

Status SetIdle(pid_t tid) {
  const sched_param param{};
  if (::sched_setscheduler(tid, SCHED_IDLE, &param) != 0) return ErrnoStatus();
  return SetIoPriority(tid, IoPriority(kIoprioClassIdle));
}

// Leaves SCHED_IDLE and the idle I/O class (the I/O class then follows the
// nice value again), then sets the nice value. Refusals of a raise are not
// errors: the thread keeps the priority it has.
Status SetNice(pid_t tid, int nice) {
  const sched_param param{};
  if (::sched_getscheduler(tid) == SCHED_IDLE &&
      ::sched_setscheduler(tid, SCHED_OTHER, &param) != 0 && !IsRefused(errno)) {
    return ErrnoStatus();
  }
  Status s = SetIoPriority(tid, IoPriority(kIoprioClassNone));
  if (!s.ok() && s.cond() != Cond::kAccessDenied) return s;
  if (::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) != 0 && !IsRefused(errno)) {
    return ErrnoStatus();
  }
  return Status::Ok();
}

}  // namespace

std::optional<std::string> PosixPlatform::GetEnv(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

uint32_t PosixPlatform::UserId() { return ::getuid(); }

Status PosixPlatform::UserHome(const std::string& user, std::string* home) {
  UserEntry entry;
  const Status status =
      user.empty() ? LookUpUser(::getuid(), &entry) : LookUpUserNamed(user, &entry);
  if (status.ok()) *home = entry.home;
  return status;
}

Status PosixPlatform::UserName(uint32_t uid, std::string* name) {
  UserEntry user;
  const Status status = LookUpUser(uid, &user);
  if (status.ok()) *name = user.name;
  return status;
}

std::string PosixPlatform::ExecutablePath() {
  std::string path;
  return ReadLink("/proc/self/exe", &path).ok() ? path : std::string();
}

FileTime PosixPlatform::Now() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return ToFileTime(now.tv_sec, now.tv_nsec);
}

TLocalTime PosixPlatform::ToLocalTime(FileTime time) {
  int64_t rest = 0;
  const auto seconds = static_cast<time_t>(UnixSeconds(time, &rest));
  struct tm parts {};
  TLocalTime local;
  if (::localtime_r(&seconds, &parts) == nullptr) return local;
  local.year = parts.tm_year + 1900;
  local.month = parts.tm_mon + 1;
  local.day = parts.tm_mday;
  local.hour = parts.tm_hour;
  local.minute = parts.tm_min;
  local.second = parts.tm_sec;
  local.weekday = parts.tm_wday;
  return local;
}

int64_t PosixPlatform::TickMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The desktop services that know the last input (X11 screen saver, GNOME's
// idle monitor) belong to the GUI build; this layer has none.
Status PosixPlatform::MillisSinceLastInput(int64_t* /*millis*/) {
  return Status::FromErrno(ENOSYS);
}

Status PosixPlatform::SetThreadPriority(int priority_index) {
  constexpr int kLevels = sizeof kNiceByIndex / sizeof kNiceByIndex[0];
  if (priority_index < 0 || priority_index > kLevels) return Status::FromErrno(EINVAL);
  const pid_t tid = ::gettid();
  if (priority_index == 0) return SetIdle(tid);
  return SetNice(tid, kNiceByIndex[priority_index - 1]);
}

}  // namespace qv
