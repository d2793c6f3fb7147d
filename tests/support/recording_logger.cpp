#include "tests/support/recording_logger.h"

#include <algorithm>

namespace qv::testing {

bool RecordingLogger::Has(const std::string& text) const {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

bool RecordingLogger::HasPart(const std::string& part) const {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

std::string RecordingLogger::Joined() const {
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  return all;
}

}  // namespace qv::testing
