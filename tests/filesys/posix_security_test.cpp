#include <initializer_list>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "tests/filesys/posix_fixture.h"

namespace qv {
namespace {

using testing::kNobody;
using testing::MakeDirs;
using testing::ModeOf;
using testing::PosixTest;
using testing::RunAsNobody;
using testing::WriteFile;

struct AclEntry {
  uint16_t tag;
  uint16_t perm;
  uint32_t id;
};

constexpr uint32_t kNoId = 0xFFFFFFFF;

// An ACL as the kernel keeps it in its extended attribute: version 2, then
// little-endian (tag, permissions, id) entries sorted by tag and id.
std::string AclBlock(std::initializer_list<AclEntry> entries) {
  std::string block;
  auto put = [&block](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) block += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  put(2, 4);
  for (const AclEntry& entry : entries) {
    put(entry.tag, 2);
    put(entry.perm, 2);
    put(entry.id, 4);
  }
  return block;
}

// user::rw- user:1234:r-- group::r-- mask::r-- other::---, which is mode 0640.
const std::string kAcl = AclBlock(
    {{0x01, 6, kNoId}, {0x02, 4, 1234}, {0x04, 4, kNoId}, {0x10, 4, kNoId}, {0x20, 0, kNoId}});

using PosixSecurityTest = PosixTest;

TEST_F(PosixSecurityTest, AclsRoundTripAndAnAbsentAclRemovesTheDestinations) {
  const std::string file = temp_ / "file";
  const std::string dir = temp_ / "dir/";
  WriteFile(file, "x");
  MakeDirs(dir);
  if (setxattr(file.c_str(), "user.keep", "v", 1, 0) != 0) {
    GTEST_SKIP() << "no extended attributes on the file system of " << temp_.path();
  }
  SecurityDescriptor sd;
  ASSERT_TRUE(platform_.ReadSecurity(file, &sd).ok());
  EXPECT_FALSE(sd.acl_access.has_value());
  EXPECT_EQ(sd.mode, ModeOf(file));
  EXPECT_EQ(sd.uid, geteuid());

  sd.mode = 0640;
  sd.acl_access = kAcl;
  const Status written = platform_.WriteSecurity(file, sd);
  if (written.cond() == Cond::kNotImplemented) GTEST_SKIP() << "no POSIX ACLs here";
  ASSERT_TRUE(written.ok()) << written.message();
  SecurityDescriptor read;
  ASSERT_TRUE(platform_.ReadSecurity(file, &read).ok());
  EXPECT_EQ(read.acl_access, kAcl);
  EXPECT_EQ(read.mode, 0640u);

  sd.acl_access.reset();
  ASSERT_TRUE(platform_.WriteSecurity(file, sd).ok());
  ASSERT_TRUE(platform_.ReadSecurity(file, &read).ok());
  EXPECT_FALSE(read.acl_access.has_value());
  EXPECT_EQ(read.mode, 0640u);
  EXPECT_EQ(getxattr(file.c_str(), "user.keep", nullptr, 0), 1);  // other attributes stay

  SecurityDescriptor dir_sd;
  ASSERT_TRUE(platform_.ReadSecurity(dir, &dir_sd).ok());
  dir_sd.acl_default = kAcl;
  ASSERT_TRUE(platform_.WriteSecurity(dir, dir_sd).ok());
  ASSERT_TRUE(platform_.ReadSecurity(dir, &read).ok());
  EXPECT_EQ(read.acl_default, kAcl);
  dir_sd.acl_default.reset();
  ASSERT_TRUE(platform_.WriteSecurity(dir, dir_sd).ok());
  ASSERT_TRUE(platform_.ReadSecurity(dir, &read).ok());
  EXPECT_FALSE(read.acl_default.has_value());
}

TEST_F(PosixSecurityTest, OwnerChangeKeepsSetIdBitsAndLinksKeepTheirTarget) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give files away";
  const std::string file = temp_ / "file";
  const std::string link = temp_ / "link";
  WriteFile(file, "x");
  ASSERT_EQ(chmod(file.c_str(), 06750), 0);
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  SecurityDescriptor sd;
  sd.uid = kNobody;
  sd.gid = kNobody;
  sd.mode = 06750;
  ASSERT_TRUE(platform_.WriteSecurity(file, sd).ok());
  sd.uid = sd.gid = 1234;
  sd.mode = 0;
  ASSERT_TRUE(platform_.WriteSecurity(link, sd).ok());

  struct stat st {};
  ASSERT_EQ(lstat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 06750u);  // chown cleared them; they came back
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 1234u);
}

TEST_F(PosixSecurityTest, UnprivilegedUserHasNoPrivilegesAndCannotGiveAway) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
  EXPECT_TRUE(platform_.EnablePrivileges().ok());
  ASSERT_EQ(chmod(temp_.path().c_str(), 0755), 0);
  const std::string file = temp_ / "file";
  WriteFile(file, "x");
  ASSERT_EQ(chown(file.c_str(), kNobody, kNobody), 0);
  EXPECT_TRUE(RunAsNobody([&] {
    SecurityDescriptor sd;
    if (!platform_.ReadSecurity(file, &sd).ok()) return false;
    sd.uid = 0;
    return platform_.EnablePrivileges().cond() == Cond::kNotImplemented &&
           platform_.WriteSecurity(file, sd).cond() == Cond::kAccessDenied;
  }));
}

}  // namespace
}  // namespace qv
