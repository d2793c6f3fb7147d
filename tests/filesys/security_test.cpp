#include "filesys/security.h"

#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "filesys/testing/fault_platform.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using ::qv::testing::RecordingLogger;
using ::qv::testing::ScopedTempDir;
using Lines = std::vector<std::string>;

TEST(SecurityTest, PrivilegeRequest) {
  // ENOTSUP is what an unprivileged user gets: a platform without the service.
  const struct {
    int error;
    bool granted;
    Lines lines;
  } kCases[] = {
      {0, true, {"Access rights granted", "Privileges granted"}},
      {ENOTSUP, false, {}},
      {EIO, false, {"Error 5: Failed to adjust security privileges. Input/output error"}}};
  for (const auto& c : kCases) {
    if (c.error == 0 && geteuid() != 0) continue;  // only root holds the capabilities
    FaultPlatform faulty(DefaultPlatform());
    if (c.error != 0) faulty.AddFault({Op::kEnablePrivileges, "", 0, c.error});
    RecordingLogger log;
    EXPECT_EQ(EnablePrivileges(faulty, log), c.granted) << c.error;
    EXPECT_EQ(log.lines, c.lines);
    EXPECT_EQ(log.ErrorCount(), c.error == EIO ? 1 : 0);
  }
}

TEST(SecurityTest, UnreadableDescriptor) {
  ScopedTempDir temp;
  RecordingLogger log;
  EXPECT_FALSE(ReadSecurityDescriptor(DefaultPlatform(), temp / "missing", log).has_value());
  EXPECT_EQ(log.lines, Lines{"Error 2: Could not read security descriptor of " + temp / "missing" +
                             ". No such file or directory"});
}

}  // namespace
}  // namespace qv
