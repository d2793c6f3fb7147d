#ifndef QUORVANE_TESTS_SUPPORT_RECORDING_LOGGER_H_
#define QUORVANE_TESTS_SUPPORT_RECORDING_LOGGER_H_

#include <algorithm>
#include <string>
#include <vector>

#include "log/logger.h"

namespace qv::testing {

// Keeps every line as the log view would show it: a Log with new_line false
// continues the last line. Status texts are kept apart.
class RecordingLogger : public TLogger {
 public:
  void Log(const std::string& text, bool new_line) override {
    if (new_line || lines.empty()) {
      lines.push_back(text);
    } else {
      lines.back() += text;
    }
  }
  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  bool IsTerminated() override { return terminated; }
  bool CheckSuspend() override { return !terminated; }

  // True when some line equals text exactly.
  bool Has(const std::string& text) const { return std::ranges::count(lines, text) > 0; }
  // True when some line contains part.
  bool HasPart(const std::string& part) const {
    return std::ranges::any_of(
        lines, [&](const std::string& line) { return line.find(part) != std::string::npos; });
  }
  std::string Joined() const {  // all lines, each followed by "\n"
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    return all;
  }

  std::vector<std::string> lines;
  std::vector<std::string> statuses;
  bool terminated = false;
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_SUPPORT_RECORDING_LOGGER_H_
