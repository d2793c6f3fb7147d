#include <climits>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <thread>
#include <tuple>

#include <linux/ioprio.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "filesys/posix/disk_links.h"
#include "filesys/posix/mountinfo.h"
#include "tests/filesys/posix_fixture.h"
#include "tests/support/scoped_mount.h"

namespace qv {
namespace {

using testing::MakeDirs;
using testing::ModeOf;
using testing::PathExists;
using testing::PosixTest;
using testing::ReadFile;
using testing::ScopedMount;
using testing::WriteFile;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string RealPath(const std::string& path) {
  char real[PATH_MAX];
  return realpath(path.c_str(), real) ? real : "";
}

using PosixSystemTest = PosixTest;

TEST_F(PosixSystemTest, VolumeOfAPathAndOfWhatDoesNotExistYet) {
  VolumeInfo volume;
  ASSERT_TRUE(platform_.GetVolume(temp_.path(), &volume).ok());
  EXPECT_EQ(volume.mount_point.back(), '/');
  EXPECT_EQ((RealPath(temp_.path()) + "/").rfind(volume.mount_point, 0), 0u);
  EXPECT_FALSE(volume.fs_type.empty());
  std::vector<MountEntry> mounts;
  ASSERT_TRUE(platform_.ListMounts(&mounts).ok());
  bool listed = false;
  for (const MountEntry& mount : mounts) {
    EXPECT_EQ(mount.mount_point.back(), '/');
    listed |= mount.mount_point == volume.mount_point && mount.fs_type == volume.fs_type;
  }
  EXPECT_TRUE(listed);

  VolumeInfo missing;
  ASSERT_TRUE(platform_.GetVolume(temp_ / "not/yet/there/", &missing).ok());
  EXPECT_EQ(missing.mount_point, volume.mount_point);
  EXPECT_EQ(missing.device, volume.device);

  int64_t free_bytes = -1;
  int64_t total_bytes = -1;
  ASSERT_TRUE(platform_.FreeSpace(temp_.path(), &free_bytes, &total_bytes).ok());
  EXPECT_GT(total_bytes, 0);
  EXPECT_LE(free_bytes, total_bytes);
}

TEST_F(PosixSystemTest, LabelsComeFromTheLinkThatLeadsToTheDevice) {
  MakeDirs(temp_ / "by-label");
  const std::pair<const char*, const char*> kLinks[] = {
      {"My\\x20Disk\\x2fA", "sda1"}, {"half\\x2", "sdb1"}, {"Plain", "sdc1"}};
  for (const auto& [name, device] : kLinks) {
    WriteFile(temp_ / device, "");
    ASSERT_EQ(symlink((std::string("../") + device).c_str(), (temp_ / "by-label/" + name).c_str()),
              0);
  }
  const std::string real = RealPath(temp_.path());
  EXPECT_EQ(DiskLinkName(temp_ / "by-label", real + "/sda1"), "My Disk/A");
  EXPECT_EQ(DiskLinkName(temp_ / "by-label", real + "/sdb1"), "half\\x2");
  EXPECT_EQ(DiskLinkName(temp_ / "by-label", real + "/sdd1"), "");
  EXPECT_EQ(DiskLinkName(temp_ / "missing", real + "/sdc1"), "");
}

TEST(MountInfoTest, ParsesEscapesOptionalFieldsAndSkipsBrokenLines) {
  const std::string text =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "40 22 8:2 / /media/My\\040Disk\\134x rw shared:5 master:2 - vfat /dev/sdb1 rw\n"
      "41 22 0:40 / /run/user/1000 rw - tmpfs tmpfs rw\n"
      "garbage line\n"
      "42 22 0:41 / /mnt/x rw no-separator-here ext4 /dev/sdc1\n"
      "43 22 0:44 /sub /srv rw - btrfs /dev/sdd1 rw";
  const std::vector<MountInfo> mounts = ParseMountInfo(text);
  ASSERT_EQ(mounts.size(), 4u);
  EXPECT_EQ(mounts[0].mount_point, "/");
  EXPECT_EQ(mounts[0].source, "/dev/sda1");
  EXPECT_EQ(mounts[1].mount_point, "/media/My Disk\\x");
  EXPECT_EQ(mounts[1].fs_type, "vfat");
  EXPECT_EQ(mounts[1].dev_minor, 2u);
  EXPECT_EQ(mounts[2].fs_type, "tmpfs");
  EXPECT_EQ(mounts[3].dev_minor, 44u);
  EXPECT_EQ(mounts[3].mount_point, "/srv");
}

TEST(MountInfoTest, FindsTheInnermostMountOfAPath) {
  const std::vector<MountInfo> mounts = {
      {8, 1, "/", "ext4", "/dev/sda1"},       {8, 2, "/mnt/a", "ext4", "/dev/sdb1"},
      {0, 50, "/home", "btrfs", "/dev/sdc1"}, {8, 3, "/mnt/a", "xfs", "/dev/sdd1"},
      {8, 1, "/bind", "ext4", "/dev/sda1"},
  };
  struct Case {
    const char* path;
    uint32_t major, minor;
    const char* fs_type;
    const char* mount_point;
  };
  const Case kCases[] = {
      {"/etc/x", 8, 1, "ext4", "/"},
      {"/mnt/ab", 8, 1, "ext4", "/"},        // a prefix of the name is not a parent
      {"/mnt/a/f", 8, 3, "xfs", "/mnt/a"},   // mounted over: the later line
      {"/home/u", 0, 77, "btrfs", "/home"},  // subvolume device: longest mount point
      {"/bind/x", 8, 1, "ext4", "/bind"},
  };
  for (const Case& c : kCases) {
    const MountInfo* found = FindMount(mounts, c.path, c.major, c.minor);
    ASSERT_NE(found, nullptr) << c.path;
    EXPECT_EQ(found->fs_type, c.fs_type) << c.path;
    EXPECT_EQ(found->mount_point, c.mount_point) << c.path;
  }
}

TEST_F(PosixSystemTest, AutostartEntryIsWrittenAndRemoved) {
  ScopedEnv config("XDG_CONFIG_HOME", temp_ / "new/config");
  const std::string entry = temp_ / "new/config/autostart/quorvane.desktop";
  bool enabled = true;
  ASSERT_TRUE(platform_.GetAutostart(&enabled).ok());
  EXPECT_FALSE(enabled);
  EXPECT_EQ(platform_.SetAutostart(true, "/opt/q/quorvane /START\nHidden=true").code(), EINVAL);
  EXPECT_FALSE(PathExists(entry));

  ASSERT_TRUE(platform_.SetAutostart(true, "/opt/q/quorvane /START").ok());
  EXPECT_EQ(ReadFile(entry),
            "[Desktop Entry]\nType=Application\nName=Quorvane\nExec=/opt/q/quorvane /START\n"
            "X-GNOME-Autostart-enabled=true\nX-LXQt-Need-Tray=true\n");
  ASSERT_TRUE(platform_.GetAutostart(&enabled).ok());
  EXPECT_TRUE(enabled);
  ASSERT_TRUE(platform_.SetAutostart(false, "").ok());
  EXPECT_FALSE(PathExists(entry));
  EXPECT_TRUE(platform_.SetAutostart(false, "").ok());
}

TEST_F(PosixSystemTest, WriteFileReplacesByRenameAndKeepsTheMode) {
  const std::string file = temp_ / "settings";
  WriteFile(file, "old");
  ASSERT_EQ(chmod(file.c_str(), 0600), 0);
  ASSERT_EQ(link(file.c_str(), (temp_ / "old-name").c_str()), 0);
  WriteFile(temp_ / "target", "target");
  ASSERT_EQ(symlink("target", (temp_ / "link").c_str()), 0);

  ASSERT_TRUE(platform_.WriteFile(file, "new").ok());
  ASSERT_TRUE(platform_.WriteFile(temp_ / "link", "replaced").ok());
  EXPECT_EQ(ReadFile(file), "new");
  EXPECT_EQ(ReadFile(temp_ / "old-name"), "old");  // a new file, not the old one overwritten
  EXPECT_EQ(ModeOf(file), 0600u);
  EXPECT_EQ(ReadFile(temp_ / "target"), "target");  // the link was replaced, not followed
  EXPECT_EQ(platform_.WriteFile(temp_ / "no/dir", "x").cond(), Cond::kNotFound);
  std::vector<DirEntry> entries;
  ASSERT_TRUE(platform_.ListDir(temp_.path(), &entries).ok());
  EXPECT_EQ(entries.size(), 4u);  // no temporary file left behind
}

TEST_F(PosixSystemTest, AppendFileTellsWhetherItCreatedTheFile) {
  const std::string log = temp_ / "log";
  bool created = false;
  ASSERT_TRUE(platform_.AppendFile(log, "a", &created).ok());
  EXPECT_TRUE(created);
  ASSERT_TRUE(platform_.AppendFile(log, "b", &created).ok());
  EXPECT_FALSE(created);
  std::string data;
  ASSERT_TRUE(platform_.ReadFile(log, &data).ok());
  EXPECT_EQ(data, "ab");
  ASSERT_EQ(symlink("log", (temp_ / "link").c_str()), 0);
  EXPECT_FALSE(platform_.AppendFile(temp_ / "link", "c", &created).ok());
  EXPECT_EQ(ReadFile(log), "ab");
  ASSERT_TRUE(platform_.ReadFile("/proc/self/status", &data).ok());  // reports size 0
  EXPECT_NE(data.find("CapEff:"), std::string::npos);
}

// A log save that fails part way must not leave its first part behind: the
// retry writes the whole text again.
TEST_F(PosixSystemTest, FailedAppendLeavesTheFileAsItWas) {
  ScopedMount small(temp_ / "small/", "tmpfs", "size=64k");
  SKIP_UNLESS_MOUNTED(small);
  bool created = false;
  ASSERT_TRUE(platform_.AppendFile(small.dir + "log", "kept", &created).ok());
  const std::string huge(1 << 20, 'x');
  EXPECT_EQ(platform_.AppendFile(small.dir + "log", huge, &created).cond(), Cond::kDiskFull);
  EXPECT_EQ(ReadFile(small.dir + "log"), "kept");
  EXPECT_EQ(platform_.AppendFile(small.dir + "new", huge, &created).cond(), Cond::kDiskFull);
  EXPECT_FALSE(PathExists(small.dir + "new"));
}

TEST_F(PosixSystemTest, ClocksAndLocalTime) {
  const FileTime now = platform_.Now();
  const FileTime expected = (std::time(nullptr) + kUnixEpochSeconds) * kFileTimeTicksPerSecond;
  EXPECT_LT(std::llabs(now - expected), 5 * kFileTimeTicksPerSecond);
  const int64_t tick = platform_.TickMs();
  EXPECT_GE(platform_.TickMs(), tick);
  int64_t millis = 0;
  EXPECT_EQ(platform_.MillisSinceLastInput(&millis).cond(), Cond::kNotImplemented);

  ScopedEnv zone("TZ", "UTC");
  tzset();
  const std::pair<FileTime, TLocalTime> kCases[] = {
      {(1614834367 + kUnixEpochSeconds) * kFileTimeTicksPerSecond + 9999999,
       {2021, 3, 4, 5, 6, 7, 4}},
      {(kUnixEpochSeconds - 1) * kFileTimeTicksPerSecond + 5000000, {1969, 12, 31, 23, 59, 59, 3}},
  };
  for (const auto& [time, want] : kCases) {
    const TLocalTime got = platform_.ToLocalTime(time);
    EXPECT_EQ(std::tie(got.year, got.month, got.day, got.hour, got.minute, got.second, got.weekday),
              std::tie(want.year, want.month, want.day, want.hour, want.minute, want.second,
                       want.weekday));
  }
}

// Each step runs on a thread of its own: the priority belongs to the thread.
TEST_F(PosixSystemTest, ThreadPriorityIndexes) {
  std::thread([&] {
    ASSERT_TRUE(platform_.SetThreadPriority(0).ok());
    EXPECT_EQ(sched_getscheduler(0), SCHED_IDLE);
    const long io = syscall(SYS_ioprio_get, IOPRIO_WHO_PROCESS, 0);
    EXPECT_EQ(IOPRIO_PRIO_CLASS(io), IOPRIO_CLASS_IDLE);
    // Back from idle: normal scheduling and I/O, then the nice value.
    ASSERT_TRUE(platform_.SetThreadPriority(1).ok());
    EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
    EXPECT_NE(IOPRIO_PRIO_CLASS(syscall(SYS_ioprio_get, IOPRIO_WHO_PROCESS, 0)), IOPRIO_CLASS_IDLE);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), 19);
    // A raise may be refused, which is no error.
    EXPECT_TRUE(platform_.SetThreadPriority(6).ok());
    if (geteuid() == 0) {
      EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), -20);
    }
    EXPECT_FALSE(platform_.SetThreadPriority(7).ok());
    EXPECT_FALSE(platform_.SetThreadPriority(-1).ok());
  }).join();
}

}  // namespace
}  // namespace qv
