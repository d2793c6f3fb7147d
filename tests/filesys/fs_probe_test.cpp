// What a probe file learns of file systems that keep coarse or limited times
// or names without case (real ones: tests/e2e and tests/engine).
#include "filesys/fs_probe.h"

#include <cctype>
#include <filesystem>

#include <gtest/gtest.h>
#include <unistd.h>

#include "filesys/path_ops.h"
#include "filesys/platform_wrapper.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

constexpr int64_t kSecond = kFileTimeTicksPerSecond;
constexpr FileTime k2038 = 13791957247LL * kSecond;  // 2038-01-19 03:14:07 UTC

// Keeps write times cut to step (or rounded to the nearest step) and no later
// than latest, or none at all; with ignore_case a name finds its entry in
// any case; with ignore_security modes and owners stay as they are.
struct Simulated {
  int64_t step = 1;
  bool round = false;
  FileTime latest = 0;
  bool ignore_times = false;
  bool ignore_case = false;
  bool ignore_security = false;
};

class SimulatedFileSystem : public PlatformWrapper {
 public:
  explicit SimulatedFileSystem(const Simulated& s) : PlatformWrapper(DefaultPlatform()), s_(s) {}
  Status SetTimes(const std::string& path, FileTime access, FileTime write) override {
    if (s_.ignore_times) return Status::Ok();
    FileTime kept = (write + (s_.round ? s_.step / 2 : 0)) / s_.step * s_.step;
    if (s_.latest != 0 && kept > s_.latest) kept = s_.latest;
    return PlatformWrapper::SetTimes(path, access, kept);
  }
  Status Stat(const std::string& path, FileInfo* info) override {
    std::string name = LastComponent(path);
    if (s_.ignore_case) {
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return PlatformWrapper::Stat(ParentDir(path) + name, info);
  }
  Status WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                       uint32_t* lost) override {
    if (s_.ignore_security) return Status::Ok();
    return PlatformWrapper::WriteSecurity(path, sd, lost);
  }

 private:
  const Simulated s_;
};

TEST(FileSystemProbeTest, LearnsWhatTheFileSystemKeeps) {
  const std::pair<Simulated, FileSystemProbe> kCases[] = {
      {{}, {1, 0, false}},
      {{.step = 10}, {10, 0, false}},
      {{.step = kSecond / 100, .round = true}, {kSecond / 100, 0, false}},
      {{.step = kSecond}, {kSecond, 0, false}},
      {{.step = 2 * kSecond, .round = true}, {2 * kSecond, 0, false}},
      {{.step = kSecond, .latest = k2038}, {kSecond, k2038, false}},
      {{.ignore_times = true}, {0, 0, false}},
      {{.ignore_case = true}, {1, 0, true}},
      {{.ignore_security = true}, {1, 0, false}},
  };
  for (const auto& [simulated, expected] : kCases) {
    SCOPED_TRACE(::testing::Message() << simulated.step << (simulated.round ? " rounded" : ""));
    ScopedTempDir dir;
    SimulatedFileSystem platform(simulated);
    FileSystemProbe probe;
    ASSERT_TRUE(ProbeByWriting(platform, dir.path(), &probe).ok());
    EXPECT_EQ(probe.write_resolution, expected.write_resolution);
    EXPECT_EQ(probe.latest, expected.latest);
    EXPECT_EQ(probe.ignores_case, expected.ignores_case);
    EXPECT_EQ(probe.keeps_modes, !simulated.ignore_security);
    // Only a process that may give files away learns that they are kept.
    EXPECT_EQ(probe.keeps_owners, !simulated.ignore_security && geteuid() == 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));  // the probe file is gone
  }
}

}  // namespace
}  // namespace qv::testing
