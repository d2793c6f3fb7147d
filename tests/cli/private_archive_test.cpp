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
    MakeTree(At(""), {"src/sub/a.txt=first", "dst/"});
    RunOk({"mirror", "add", "@src", "@dst"});
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
  RunOk({"scan"});
  WriteFile(At("src/sub/a.txt"), "second");
  RunOk({"scan"});  // archives the first version
  int dirs = 0, logs = 0;
  const auto check = [&](const std::string& path) {
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    dirs += S_ISDIR(st.st_mode);
    logs += S_ISREG(st.st_mode);
    EXPECT_EQ(st.st_mode & 07777, S_ISDIR(st.st_mode) ? 0700u : 0600u) << path;
    EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(owner, group)) << path;
  };
  check(archive_);
  for (auto it = fs::recursive_directory_iterator(archive_); it != fs::end(it); ++it) {
    check(it->path().string());
    // Below a time slot ("hh mm ss") lie the user's items.
    if (it.depth() == 3 && it->is_directory()) it.disable_recursion_pending();
  }
  EXPECT_EQ(dirs, 6) << "the archive, its logs, and a time slot with its year, month and day";
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
