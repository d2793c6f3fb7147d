// A backup set up with the tool and scanned twice, with the tree changed in
// between: standard output reads line by line as the golden logs beside this
// file.
// QUORVANE_UPDATE_GOLDEN=1 rewrites the golden files from the actual output.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "tests/e2e/tool_test.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Only what differs between runs and machines is replaced: the temporary
// directory, date and time, durations, the drive holding it with its free
// space, and archive sizes that include log files (their lines hold dates).
std::vector<std::string> Normalised(const std::string& out, const std::string& tmp) {
  static const std::pair<std::regex, const char*> kRules[] = {
      {std::regex(R"(^Date .*)"), "Date <DATE>"},
      {std::regex(R"(^Time .*)"), "Time <TIME>"},
      {std::regex(R"(\d{4}-\d\d-\d\dT\d\d \d\d \d\d( \(\d+\))?\.txt)"), "<LOG>.txt"},
      {std::regex(R"(^Scan done in .*)"), "Scan done in <DURATION>"},
      {std::regex(R"(^File system of destination drive .* is .*)"),
       "File system of destination drive <DRIVE> is <FS>"},
      {std::regex(R"(^Destination drive .* has .* of .* free$)"),
       "Destination drive <DRIVE> has <FREE> of <SIZE> free"},
      {std::regex(R"(^(Found|The archive (now contains|grew with)) (.*) of [0-9.,]+ \w+$)"),
       "$1 $3 of <SIZE>"},
  };
  std::vector<std::string> lines = Lines(out);
  for (std::string& line : lines) {
    for (size_t at; (at = line.find(tmp)) != std::string::npos;)
      line.replace(at, tmp.size(), "<TMP>");
    for (const auto& [pattern, replacement] : kRules) {
      line = std::regex_replace(line, pattern, replacement);
    }
  }
  return lines;
}

// Stops at the first line that differs: the rest would only repeat a shift.
void ExpectGolden(const std::string& name, const std::string& out, const std::string& tmp) {
  const std::string path = QUORVANE_TESTS_DIR "e2e/golden/" + name;
  const std::vector<std::string> actual = Normalised(out, tmp.substr(0, tmp.size() - 1));
  if (std::getenv("QUORVANE_UPDATE_GOLDEN") != nullptr) {
    std::string text;
    for (const std::string& line : actual) text += line + "\n";
    return WriteFile(path, text);
  }
  std::vector<std::string> expected = Lines(ReadFile(path));
  // Only root holds the privileges whose grant is logged.
  if (geteuid() != 0) {
    std::erase_if(expected, [](const std::string& line) {
      return line == "Access rights granted" || line == "Privileges granted";
    });
  }
  for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
    ASSERT_EQ(i < expected.size() ? expected[i] : "<end>", i < actual.size() ? actual[i] : "<end>")
        << name << " line " << i + 1 << "; the whole output:\n"
        << out;
  }
}

using GoldenScanTest = ToolTest;

TEST_F(GoldenScanTest, TwoScansReadAsTheGoldenLogs) {
  AddMirror();
  MakeTree(At("src/"), {"a.txt=alpha", "changes.txt=version 1", "deleted.txt=bye",
                        "notes.tmp=scratch", "sub/b.txt=bravo", "replaced/x.txt=x", "link->a.txt"});
  RunOk({"set", "LogMinAges", "yes"});
  RunOk({"filter", "add", "excluded-source", "*.tmp"});
  RunOk({"minage", "add", At("src/sub"), "10"});

  ExpectGolden("first_scan.txt", RunOk({"scan"}), dir_.path());

  // A scan in the same second would share the first one's log file.
  const std::time_t ended = std::time(nullptr);
  while (std::time(nullptr) == ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  fs::remove(At("src/deleted.txt"));
  fs::remove_all(At("src/replaced"));
  // sub/b.txt is held back by its minimal age.
  MakeTree(At("src/"), {"changes.txt=version 2!", "sub/b.txt=bravo 2", "sub/new.txt=new",
                        "replaced=now a file"});

  ExpectGolden("second_scan.txt", RunOk({"scan"}), dir_.path());
}

}  // namespace
}  // namespace qv::testing
