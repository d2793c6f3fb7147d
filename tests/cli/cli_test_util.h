#ifndef QUORVANE_TESTS_CLI_CLI_TEST_UTIL_H_
#define QUORVANE_TESTS_CLI_CLI_TEST_UTIL_H_

#include <cerrno>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/console.h"
#include "filesys/platform_wrapper.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {

// The real platform with a private environment and, when set, one volume
// for every path. Scan threads keep the test's priority: an idle one would
// crawl on a busy machine.
class CliTestPlatform : public PlatformWrapper {
 public:
  CliTestPlatform() : PlatformWrapper(DefaultPlatform()) {}
  std::optional<std::string> GetEnv(const std::string& name) override {
    return env.contains(name) ? std::optional(env.at(name)) : std::nullopt;
  }
  Status GetVolume(const std::string& path, VolumeInfo* info) override {
    if (!volume) return PlatformWrapper::GetVolume(path, info);
    *info = *volume;
    return Status::Ok();
  }
  Status SetThreadPriority(int) override { return Status::Ok(); }
  FileTime Now() override { return now.value_or(PlatformWrapper::Now()) + clock_offset; }
  Status AppendPrivateFile(const HeldDir& held, const std::string& relative,
                           const std::string& data, bool* created) override {
    if (failing_appends > 0) {
      --failing_appends;
      return Status::FromErrno(EIO);
    }
    return PlatformWrapper::AppendPrivateFile(held, relative, data, created);
  }

  std::map<std::string, std::string> env;
  int failing_appends = 0;  // how many of the next appends to a log fail
  std::optional<FileTime> now;  // a pinned clock
  std::optional<VolumeInfo> volume;
  FileTime clock_offset = 0;  // added to the real clock
};

// A terminal 40 columns wide on which the user types lines, then ends the
// input.
class ScriptedConsole : public TConsole {
 public:
  bool InputIsTerminal() override { return true; }
  bool ErrorIsTerminal() override { return true; }
  int ErrorColumns() override { return 40; }
  std::optional<std::string> ReadLine(const std::function<bool()>&) override {
    if (lines.empty()) return std::nullopt;
    const std::string line = lines.front();
    lines.pop_front();
    return line;
  }

  std::deque<std::string> lines;
};

struct CliRun {
  int code = -1;
  std::string out, err;
};

// Runs the tool in-process on a fresh settings file per test.
class CliTest : public ::testing::Test {
 protected:
  CliTest() : settings_(dir_ / "settings.db") {}

  // "@" in an argument stands for the temporary directory; --settings is
  // appended.
  CliRun Run(std::vector<std::string> args, int busy_timeout_ms = 200) {
    for (std::string& arg : args) arg = Expand(arg);
    args.insert(args.end(), {"--settings", settings_});
    std::ostringstream out, err;
    const int code = RunCli(args, {*run_platform_, out, err, busy_timeout_ms, console_});
    return {code, out.str(), err.str()};
  }
  // Runs and expects success with nothing on standard error.
  std::string RunOk(const std::vector<std::string>& args) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return run.out;
  }
  // Expects exit status 2 with exactly one "quorvane-cli: " line on standard
  // error and nothing on standard output; answers that line.
  std::string RunFails(const std::vector<std::string>& args) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with("quorvane-cli: ") && run.err.find('\n') + 1 == run.err.size())
        << run.err;
    return run.err;
  }
  std::string At(const std::string& relative) const { return dir_ / relative; }
  // text with every "@" replaced by the temporary directory.
  std::string Expand(std::string text) const {
    const std::string& dir = dir_.path();
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + dir.size()))
      text.replace(at, 1, dir);
    return text;
  }
  // A second connection to the settings file, as the GUI would have.
  TQVIniFile& Store() {
    if (ini_ == nullptr) ini_ = std::make_unique<TQVIniFile>(platform_, settings_, 200);
    return *ini_;
  }
  std::string StoreBytes() const { return ReadFile(settings_); }

  ScopedTempDir dir_;
  CliTestPlatform platform_;
  std::string settings_;
  TConsole* console_ = nullptr;          // none: no terminal
  Platform* run_platform_ = &platform_;  // what Run gives the tool

 private:
  std::unique_ptr<TQVIniFile> ini_;
};

inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
// Key of the mapping whose destination is given.
inline std::string MappingKey(const std::string& destination) {
  return std::string(kMappingsKey) + "\\" + MappingKeyName(destination);
}
// Type and bytes of a stored value, for exact comparisons.
inline TRegValue Raw(TQVIniFile& ini, const std::string& key, const std::string& name) {
  return ini.ReadRaw(key, name).value_or(TRegValue{0, "<missing>"});
}

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_CLI_CLI_TEST_UTIL_H_
