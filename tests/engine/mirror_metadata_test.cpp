// Metadata that changes without the content: brought over in place at the
// next mirror, counted as security descriptors set, never archived; and the
// modes and times of directories settled after what is inside them.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <ostream>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "tests/engine/engine_test_util.h"
#include "tests/support/sample_acl.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

const Tree kTree = {"f.txt=x", "sub/", "sub/in.txt=y"};
constexpr uint32_t kOtherId = 1234;
constexpr time_t kOldTime = 1000000000;

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

uint32_t ModeOf(const std::string& path) { return StatOf(path).st_mode & 07777; }

std::optional<std::string> Xattr(const std::string& path, const char* name) {
  std::string value(256, '\0');
  const ssize_t size = ::lgetxattr(path.c_str(), name, value.data(), value.size());
  if (size < 0) return std::nullopt;
  value.resize(static_cast<size_t>(size));
  return value;
}

// The number on the "Updated N security descriptors" line; 0 without one.
int SecurityCount(const MirrorLogger& log) {
  for (const std::string& line : log.lines) {
    int count = 0;
    if (std::sscanf(line.c_str(), "Updated %d security descriptor", &count) == 1) return count;
  }
  return 0;
}

// One change of the source between two mirrors of kTree, and what the
// destination then shows. logged names the line of an entry, "" for none;
// security is the count of descriptors the second mirror set.
struct MetadataCase {
  const char* name;
  bool needs_root;
  std::function<void(MirrorTest&)> change;
  std::function<void(MirrorTest&)> expect;
  const char* logged;
  int security;
};

const MetadataCase kCases[] = {
    {"ModeOfAFile", false,
     [](MirrorTest& t) { fs::permissions(t.src_ + "f.txt", fs::perms(0600)); },
     [](MirrorTest& t) { EXPECT_EQ(ModeOf(t.dst_ + "f.txt"), 0600u); },
     "Updated security descriptor of DSTf.txt", 1},
    {"ModeOfADirectory", false,
     [](MirrorTest& t) { fs::permissions(t.src_ + "sub", fs::perms(0750)); },
     [](MirrorTest& t) { EXPECT_EQ(ModeOf(t.dst_ + "sub"), 0750u); }, "", 1},
    {"ReadOnlyDirectoryWithANewFile", false,
     [](MirrorTest& t) {
       WriteFile(t.src_ + "sub/new.txt", "n");
       fs::permissions(t.src_ + "sub", fs::perms(0555));
     },
     [](MirrorTest& t) {
       EXPECT_EQ(ReadFile(t.dst_ + "sub/new.txt"), "n");
       EXPECT_EQ(ModeOf(t.dst_ + "sub"), 0555u);
     },
     "", 2},
    {"OwnerAndGroup", true,
     [](MirrorTest& t) { ASSERT_EQ(::chown((t.src_ + "f.txt").c_str(), kOtherId, kOtherId), 0); },
     [](MirrorTest& t) {
       const struct stat st = StatOf(t.dst_ + "f.txt");
       EXPECT_EQ(st.st_uid, kOtherId);
       EXPECT_EQ(st.st_gid, kOtherId);
     },
     "Updated security descriptor of DSTf.txt", 1},
    {"OwnerNotComparedWithoutPrivilege", true,
     [](MirrorTest& t) {
       t.platform_.AddFault({Op::kEnablePrivileges, "", 0, EPERM});
       ASSERT_EQ(::chown((t.src_ + "f.txt").c_str(), kOtherId, kOtherId), 0);
     },
     [](MirrorTest& t) { EXPECT_EQ(StatOf(t.dst_ + "f.txt").st_uid, ::geteuid()); }, "", 0},
    {"UserAttributes", false,
     [](MirrorTest& t) {
       ASSERT_EQ(::lsetxattr((t.src_ + "f.txt").c_str(), "user.note", "new", 3, 0), 0);
       ASSERT_EQ(::lremovexattr((t.src_ + "sub/in.txt").c_str(), "user.gone"), 0);
     },
     [](MirrorTest& t) {
       EXPECT_EQ(Xattr(t.dst_ + "f.txt", "user.note"), "new");
       EXPECT_EQ(Xattr(t.dst_ + "sub/in.txt", "user.gone"), std::nullopt);
     },
     "Updated security descriptor of DSTsub/in.txt", 2},
    {"Acl", false,
     [](MirrorTest& t) {
       const std::string acl = SampleAcl();
       ASSERT_EQ(::lsetxattr((t.src_ + "f.txt").c_str(), kAclAccessName, acl.data(),
                             acl.size(), 0),
                 0);
     },
     [](MirrorTest& t) {
       EXPECT_EQ(Xattr(t.dst_ + "f.txt", kAclAccessName), SampleAcl());
     },
     "Updated security descriptor of DSTf.txt", 1},
    {"NothingWithoutCopySecurityInfo", false,
     [](MirrorTest& t) {
       t.mapping_->mutable_settings().copy_security_info = false;
       fs::permissions(t.src_ + "f.txt", fs::perms(0600));
       ASSERT_EQ(::lsetxattr((t.src_ + "f.txt").c_str(), "user.note", "new", 3, 0), 0);
     },
     [](MirrorTest& t) {
       EXPECT_NE(ModeOf(t.dst_ + "f.txt"), 0600u);
       EXPECT_EQ(Xattr(t.dst_ + "f.txt", "user.note"), std::nullopt);
     },
     "", 0},
    // What a killed mirror leaves: a directory with the time of its last
    // change inside and its owner's write permission given back.
    {"KilledMirrorHeals", false,
     [](MirrorTest& t) {
       ASSERT_EQ(::chmod((t.dst_ + "sub").c_str(), 0777), 0);
       SetWriteTime(t.dst_ + "sub", kOldTime + 5);
     },
     [](MirrorTest& t) { EXPECT_EQ(ModeOf(t.dst_ + "sub"), 0755u); }, "", 1},
};

void PrintTo(const MetadataCase& c, std::ostream* out) { *out << c.name; }

class MirrorMetadataTest : public MirrorTest, public ::testing::WithParamInterface<MetadataCase> {};

TEST_P(MirrorMetadataTest, BroughtOverInPlaceAndNeverArchived) {
  const MetadataCase& c = GetParam();
  if (c.needs_root && ::geteuid() != 0) GTEST_SKIP() << "giving files away needs root";
  MakeTree(src_, kTree);
  for (const char* dir : {"", "sub"}) fs::permissions(src_ + dir, fs::perms(0755));
  if (::lsetxattr((src_ + "sub/in.txt").c_str(), "user.gone", "1", 1, 0) != 0) {
    GTEST_SKIP() << "no user.* attributes on the test file system";
  }
  SetWriteTime(src_ + "sub", kOldTime);
  Run();
  ASSERT_EQ(errors_, 0);
  ASSERT_EQ(StatOf(dst_ + "sub").st_mtim.tv_sec, kOldTime);

  c.change(*this);
  SetWriteTime(src_ + "sub", kOldTime);
  Run();

  EXPECT_EQ(errors_, 0);
  c.expect(*this);
  if (*c.logged != '\0') ExpectLogged({Expand(c.logged)});
  // A directory's security is settled silently.
  EXPECT_EQ(log_.HasPart("Updated security descriptor of "), *c.logged != '\0');
  EXPECT_EQ(SecurityCount(log_), c.security);
  EXPECT_EQ(StatOf(dst_ + "sub").st_mtim.tv_sec, kOldTime);
  EXPECT_FALSE(fs::exists(Archived(""))) << "a metadata change archived a version";
  // So that an unprivileged run can remove the tree.
  fs::permissions(src_ + "sub", fs::perms::owner_all, fs::perm_options::add);
}

INSTANTIATE_TEST_SUITE_P(Changes, MirrorMetadataTest, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

// The root's mode and time follow the source root's at the end of the
// mirror, after the archive and everything below were written; a failure of
// either on the root alone is reported among the mirror's lines, before its
// end.
TEST_F(MirrorTest, DestinationRootTakesTheSourceRootsModeAndTimeLast) {
  struct Case {
    std::optional<Op> fails;  // on the root alone
    const char* reported;     // part of the line that reports it
    int errors;
  };
  const Case kRootCases[] = {
      {std::nullopt, "", 0},
      {Op::kSetTimes,
       "Warning: Destination DST did not keep directory times; entries were written without them",
       0},
      {Op::kWriteSecurity, ": Could not set security descriptor of DST. ", 1},
  };
  MakeTree(src_, kTree);
  fs::permissions(src_, fs::perms(0750));
  SetWriteTime(src_, kOldTime);
  for (const Case& c : kRootCases) {
    if (fs::exists(dst_)) {
      fs::permissions(dst_, fs::perms(0755));
      SetWriteTime(dst_, kOldTime + 100);
    }
    platform_.on_call = [this, c](Op op, const std::string& path) {
      if (op == c.fails && path == dst_) platform_.AddFault({op, "", 0, EIO, 1});
    };
    Run();
    platform_.on_call = nullptr;
    EXPECT_EQ(errors_, c.errors);
    EXPECT_EQ(ModeOf(dst_) == 0750u, c.fails != Op::kWriteSecurity);
    EXPECT_EQ(StatOf(dst_).st_mtim.tv_sec == kOldTime, c.fails != Op::kSetTimes);
    const auto& lines = log_.lines;
    const auto end = std::ranges::find(lines, "Mirror done");
    const auto reported = std::ranges::find_if(lines, [&](const std::string& line) {
      return *c.reported != '\0' && line.find(Expand(c.reported)) != std::string::npos;
    });
    EXPECT_EQ(reported < end, *c.reported != '\0') << log_.Joined();
    EXPECT_NE(end, lines.end());
  }
}

}  // namespace
}  // namespace qv::testing
