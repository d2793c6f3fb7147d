// What a scan writes for itself into a destination (archive folders and log
// files) stays inside it and private to the destination's owner.
#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/testing/fault_platform.h"
#include "tests/cli/cli_test_util.h"
#include "tests/support/scoped_umask.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

class PrivateArchiveTest : public CliTest {
 protected:
  PrivateArchiveTest() {
    MakeDirs(At("src/sub"));
    MakeDirs(At("dst"));
    WriteFile(At("src/sub/a.txt"), "first");
    RunOk({"mirror", "add", "@src", "@dst"});
  }
  // Two scans: the second archives the first version of sub/a.txt.
  void ScanTwice() {
    RunOk({"scan"});
    WriteFile(At("src/sub/a.txt"), "second");
    RunOk({"scan"});
    ASSERT_TRUE(HasArchived("sub/a.txt"));
  }
  bool HasArchived(const std::string& relative) const {
    for (const auto& entry : fs::recursive_directory_iterator(archive_)) {
      if (entry.path().string().ends_with("/" + relative)) return true;
    }
    return false;
  }
  // Calls check(path, stat) for the archive folders and log files: every
  // entry of the archive but the archived items below the time slots.
  template <typename Check>
  void ForEachOwnEntry(Check check) const {
    struct stat st {};
    ASSERT_EQ(lstat(archive_.c_str(), &st), 0);
    check(archive_, st);
    for (auto it = fs::recursive_directory_iterator(archive_); it != fs::end(it); ++it) {
      const std::string path = it->path().string();
      ASSERT_EQ(lstat(path.c_str(), &st), 0);
      // Below a time slot ("hh mm ss") lie the user's items.
      if (it.depth() == 3 && S_ISDIR(st.st_mode)) it.disable_recursion_pending();
      check(path, st);
    }
  }

  std::string archive_ = At("dst/Quorvane archive");
};

// As root the destination belongs to another user, whose entries they become.
TEST_F(PrivateArchiveTest, ArchiveFoldersAndLogsArePrivateToTheDestinationsOwner) {
  const bool root = geteuid() == 0;
  const uid_t owner = root ? kNobody : geteuid();
  const gid_t group = root ? kNobody : getegid();
  ASSERT_EQ(chown(At("dst").c_str(), owner, group), 0);
  ScopedUmask scoped(0);
  ScanTwice();
  int logs = 0;
  ForEachOwnEntry([&](const std::string& path, const struct stat& st) {
    logs += S_ISREG(st.st_mode);
    EXPECT_EQ(st.st_mode & 07777, S_ISDIR(st.st_mode) ? 0700u : 0600u) << path;
    EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(owner, group)) << path;
  });
  EXPECT_GE(logs, 1);
}

// The log folder is swapped for a link to a folder outside while the second
// scan copies: the log of that scan, saved at the mirror's end and after
// the scan, is never written through the link; the failed saves make the
// scan end with errors.
TEST_F(PrivateArchiveTest, ALogFolderSwappedForALinkIsNeverWrittenThrough) {
  RunOk({"scan"});
  MakeDirs(At("outside"));
  WriteFile(At("src/sub/b.txt"), "new");
  const std::string logs = archive_ + "/Logs";
  FaultPlatform faults(platform_);
  bool swapped = false;
  faults.on_call = [&](Op op, const std::string& path) {
    if (swapped || op != Op::kCopyToTemp || !path.ends_with("/b.txt")) return;
    swapped = true;
    fs::rename(logs, logs + ".real");
    fs::create_directory_symlink(At("outside"), logs);
  };
  std::ostringstream out, err;
  const int code = RunCli({"scan", "--settings", settings_}, {faults, out, err, 200, console_});

  EXPECT_TRUE(swapped);
  EXPECT_EQ(ReadFile(At("dst/sub/b.txt")), "new");
  EXPECT_TRUE(fs::is_empty(At("outside")));
  EXPECT_EQ(code, 1);
  EXPECT_NE((out.str() + err.str()).find("Failed to save log file " + logs + "/"),
            std::string::npos)
      << out.str() << err.str();
}

}  // namespace
}  // namespace qv::testing
