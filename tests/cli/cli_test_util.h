#ifndef QUORVANE_TESTS_CLI_CLI_TEST_UTIL_H_
#define QUORVANE_TESTS_CLI_CLI_TEST_UTIL_H_

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

  std::map<std::string, std::string> env;
  std::optional<VolumeInfo> volume;
};

// A terminal 40 columns wide on which the user types lines, then ends the
// input. With stop_at_question the user presses the interrupt key at the
// first question instead and the answer never comes.
class ScriptedConsole : public TConsole {
 public:
  bool InputIsTerminal() override { return true; }
  bool ErrorIsTerminal() override { return true; }
  int ErrorColumns() override { return 40; }
  std::optional<std::string> ReadLine(const std::function<bool()>& stop) override;
  bool TakeStopSignal() override { return asked_ && !signalled_.exchange(true); }

  std::deque<std::string> lines;
  bool stop_at_question = false;

 private:
  std::atomic<bool> asked_{false};
  std::atomic<bool> signalled_{false};
};

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs the tool in-process on a fresh settings file per test.
class CliTest : public ::testing::Test {
 protected:
  CliTest() : settings_(dir_ / "settings.db") {}

  // "@" in an argument stands for the temporary directory; --settings is
  // appended.
  CliRun Run(std::vector<std::string> args, int busy_timeout_ms = 200);
  // Runs and expects success with nothing on standard error.
  std::string RunOk(const std::vector<std::string>& args);
  // Expects exit status 2 with exactly one "quorvane-cli: " line on standard
  // error and nothing on standard output; answers that line.
  std::string RunFails(const std::vector<std::string>& args);
  std::string At(const std::string& relative) const { return dir_ / relative; }
  // text with every "@" replaced by the temporary directory.
  std::string Expand(std::string text) const;
  // A second connection to the settings file, as the GUI would have.
  TQVIniFile& Store();
  std::string StoreBytes() const { return ReadFile(settings_); }

  ScopedTempDir dir_;
  CliTestPlatform platform_;
  std::string settings_;
  TConsole* console_ = nullptr;  // none: no terminal

 private:
  std::unique_ptr<TQVIniFile> ini_;
};

// Key of the mapping whose destination is given.
std::string MappingKey(const std::string& destination);
// Type and bytes of a stored value, for exact comparisons.
inline TRegValue Raw(TQVIniFile& ini, const std::string& key, const std::string& name) {
  return ini.ReadRaw(key, name).value_or(TRegValue{0, "<missing>"});
}

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_CLI_CLI_TEST_UTIL_H_
