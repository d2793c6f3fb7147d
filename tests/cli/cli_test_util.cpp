#include "tests/cli/cli_test_util.h"

#include <algorithm>
#include <sstream>
#include <thread>

#include "cli/cli_app.h"
#include "config/config_keys.h"
#include "config/mapping.h"

namespace qv::testing {

std::optional<std::string> CliTestPlatform::GetEnv(const std::string& name) {
  const auto it = env.find(name);
  if (it == env.end()) return std::nullopt;
  return it->second;
}

Status CliTestPlatform::GetVolume(const std::string& path, VolumeInfo* info) {
  if (!volume) return PlatformWrapper::GetVolume(path, info);
  *info = *volume;
  return Status::Ok();
}

std::optional<std::string> ScriptedConsole::ReadLine(const std::function<bool()>& stop) {
  if (stop_at_question) {
    asked_ = true;
    while (!stop()) std::this_thread::yield();
    return std::nullopt;
  }
  if (lines.empty()) return std::nullopt;
  std::string line = lines.front();
  lines.pop_front();
  return line;
}

CliRun CliTest::Run(std::vector<std::string> args, int busy_timeout_ms) {
  for (std::string& arg : args) {
    for (size_t at = arg.find('@'); at != std::string::npos; at = arg.find('@', at + 1)) {
      arg.replace(at, 1, dir_.path());
    }
  }
  args.push_back("--settings");
  args.push_back(settings_);
  std::ostringstream out;
  std::ostringstream err;
  CliRun run;
  run.code = RunCli(args, {platform_, out, err, busy_timeout_ms, console_});
  run.out = out.str();
  run.err = err.str();
  return run;
}

std::string CliTest::RunOk(const std::vector<std::string>& args) {
  const CliRun run = Run(args);
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  return run.out;
}

std::string CliTest::RunFails(const std::vector<std::string>& args) {
  const CliRun run = Run(args);
  EXPECT_EQ(run.code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("quorvane-cli: ", 0), 0u) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_EQ(run.err.back(), '\n');
  return run.err;
}

TQVIniFile& CliTest::Store() {
  if (ini_ == nullptr) ini_ = std::make_unique<TQVIniFile>(platform_, settings_, 200);
  return *ini_;
}

std::string MappingKey(const std::string& destination) {
  return std::string(kMappingsKey) + "\\" + MappingKeyName(destination);
}

TRegValue Raw(TQVIniFile& ini, const std::string& key, const std::string& name) {
  return ini.ReadRaw(key, name).value_or(TRegValue{0, "<missing>"});
}

}  // namespace qv::testing
