#include "tests/cli/cli_test_util.h"

#include <sstream>
#include <thread>

#include "cli/cli_app.h"
#include "config/config_keys.h"
#include "config/mapping.h"

namespace qv::testing {

std::optional<std::string> ScriptedConsole::ReadLine(const std::function<bool()>& stop) {
  if (stop_at_question) {
    asked_ = true;
    while (!stop()) std::this_thread::yield();
    return std::nullopt;
  }
  if (lines.empty()) return std::nullopt;
  const std::string line = lines.front();
  lines.pop_front();
  return line;
}

std::string CliTest::Expand(std::string text) const {
  const std::string& dir = dir_.path();
  for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + dir.size())) {
    text.replace(at, 1, dir);
  }
  return text;
}

CliRun CliTest::Run(std::vector<std::string> args, int busy_timeout_ms) {
  for (std::string& arg : args) arg = Expand(arg);
  args.insert(args.end(), {"--settings", settings_});
  std::ostringstream out;
  std::ostringstream err;
  const int code = RunCli(args, {platform_, out, err, busy_timeout_ms, console_});
  return {code, out.str(), err.str()};
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
  EXPECT_TRUE(run.err.starts_with("quorvane-cli: ") && run.err.find('\n') + 1 == run.err.size())
      << run.err;
  return run.err;
}

TQVIniFile& CliTest::Store() {
  if (ini_ == nullptr) ini_ = std::make_unique<TQVIniFile>(platform_, settings_, 200);
  return *ini_;
}

std::string MappingKey(const std::string& destination) {
  return std::string(kMappingsKey) + "\\" + MappingKeyName(destination);
}

}  // namespace qv::testing
