// The disk-full paths on a real, small file system. Mounting needs root; the
// tests skip otherwise.
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include "filesys/text_format.h"
#include "tests/archive/archive_test_util.h"

namespace qv::testing {
namespace {

class TmpfsDiskTest : public ArchiveTest {
 protected:
  ~TmpfsDiskTest() override {
    if (mounted_) umount2(mount_point_.c_str(), MNT_DETACH);
  }

  // Mounts a tmpfs with options and puts the destination on it.
  bool Mount(const std::string& options) {
    if (geteuid() != 0) {
      skip_reason_ = "mounting a tmpfs needs root";
      return false;
    }
    mount_point_ = dir_ / "mnt";
    MakeDirs(mount_point_);
    if (mount("tmpfs", mount_point_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      skip_reason_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
      return false;
    }
    mounted_ = true;
    dest_ = mount_point_ + "/dest/";
    MakeDirs(dest_);
    return true;
  }

  // Creates files of chunk bytes until the file system refuses one.
  void FillUp(size_t chunk) {
    const std::string data(chunk, 'x');
    for (int i = 0;; ++i) {
      const std::string path = dest_ + "filler " + std::to_string(chunk) + " " + std::to_string(i);
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
      if (fd < 0) {
        ASSERT_EQ(errno, ENOSPC);
        return;
      }
      const ssize_t written = chunk == 0 ? 0 : write(fd, data.data(), data.size());
      close(fd);
      if (written < static_cast<ssize_t>(data.size())) return;
    }
  }

  std::string mount_point_;
  bool mounted_ = false;
  std::string skip_reason_;
};

TEST_F(TmpfsDiskTest, FullDriveGivesUpItsOldestDays) {
  if (!Mount("size=24m")) GTEST_SKIP() << skip_reason_;
  const char* days[] = {"2024/01/05/", "2024/01/07/", "2024/01/09/"};
  for (const char* day : days) {
    MakeDirs(ArchiveDir() + day + "10 00 00");
    WriteFile(ArchiveDir() + day + "10 00 00/f", std::string(6 * kMiB, 'o'));
  }
  auto archive = NewArchive();
  Open(*archive);
  FillUp(kMiB);
  FillUp(4096);
  const std::string fresh(64 * 1024, 'n');
  ASSERT_EQ(platform_.WriteFile(dest_ + "new", fresh).cond(), Cond::kDiskFull);

  TDestDisk& disk = disks_.GetDestDisk(dest_, 0, log_);
  EXPECT_EQ(disk.root(), mount_point_ + "/");
  uint16_t flags = kConfirmDefaultYes;
  ASSERT_TRUE(disk.MakeSpaceAfterDiskFull(&flags, log_, fresh.size())) << log_.Joined();
  // Ten MiB beyond what is needed: two days of 6 MiB.
  EXPECT_EQ(log_.Starting("Removing day "),
            (std::vector<std::string>{"Removing day " + ArchiveDir() + days[0],
                                      "Removing day " + ArchiveDir() + days[1]}));
  EXPECT_TRUE(PathExists(ArchiveDir() + days[2]));
  ASSERT_TRUE(platform_.WriteFile(dest_ + "new", fresh).ok());
  EXPECT_EQ(archive->content().Get(), Recount());
}

TEST_F(TmpfsDiskTest, DriveOutOfInodesKeepsItsDays) {
  if (!Mount("size=8m,nr_inodes=48")) GTEST_SKIP() << skip_reason_;
  MakeDirs(ArchiveDir() + "2024/01/05/10 00 00");
  WriteFile(ArchiveDir() + "2024/01/05/10 00 00/old", "old");
  WriteFile(dest_ + "a.txt", "a");
  auto archive = NewArchive();
  Open(*archive);
  FillUp(0);
  EXPECT_FALSE(archive->MoveToArchive(TArchiveItem{dest_ + "a.txt", false, 1, 1}, "", &flags_,
                                      nullptr, log_));
  EXPECT_EQ(ReadFile(dest_ + "a.txt"), "a");
  EXPECT_EQ(ReadFile(ArchiveDir() + "2024/01/05/10 00 00/old"), "old");
  EXPECT_EQ(
      log_.Starting("Error"),
      std::vector<std::string>{
          "Error: Drive " + mount_point_ + "/ is out of inodes (no free file entries) although " +
          SizeText(disks_.GetDestDisk(dest_, 0, log_).raw_free_bytes(), 1) + " are free."});
  EXPECT_TRUE(log_.Starting("Removing day").empty());
}

}  // namespace
}  // namespace qv::testing
