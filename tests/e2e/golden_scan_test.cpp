// A backup set up with the tool and scanned twice, with the tree changed in
// between: standard output reads line by line as the golden logs beside this
// file, and every saved log file holds what standard output showed.
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
      {std::regex(R"(\d{4}/\d\d/\d\d/\d\d \d\d \d\d( \(\d+\))?)"), "<SLOT>"},
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

// Expected and actual lines in unified style: "-" expected only, "+" actual
// only, two lines of context around each change.
std::string Diff(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::vector<int>> common(a.size() + 1, std::vector<int>(b.size() + 1, 0));
  for (size_t i = a.size(); i-- > 0;) {
    for (size_t j = b.size(); j-- > 0;) {
      common[i][j] =
          a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    }
  }
  std::vector<std::string> marked;
  for (size_t i = 0, j = 0; i < a.size() || j < b.size();) {
    if (i < a.size() && j < b.size() && a[i] == b[j]) {
      marked.push_back(" " + a[i++]), ++j;
    } else if (i < a.size() && (j == b.size() || common[i + 1][j] >= common[i][j + 1])) {
      marked.push_back("-" + a[i++]);
    } else {
      marked.push_back("+" + b[j++]);
    }
  }
  std::string text;
  bool skipped = false;
  for (size_t k = 0; k < marked.size(); ++k) {
    bool near = false;
    for (size_t n = k > 2 ? k - 2 : 0; n < std::min(marked.size(), k + 3); ++n) {
      near |= marked[n][0] != ' ';
    }
    if (near && skipped) text += "@@\n";
    if (near) text += marked[k] + "\n";
    skipped = !near;
  }
  return text;
}

class GoldenScanTest : public ToolTest {
 protected:
  void ExpectGolden(const std::string& name, const std::string& out) {
    const std::string path = fs::path(__FILE__).parent_path() / "golden" / name;
    std::vector<std::string> actual =
        Normalised(out, dir_.path().substr(0, dir_.path().size() - 1));
    if (std::getenv("QUORVANE_UPDATE_GOLDEN") != nullptr) {
      std::string text;
      for (const std::string& line : actual) text += line + "\n";
      WriteFile(path, text);
      return;
    }
    std::vector<std::string> expected = Lines(ReadFile(path));
    // Only root holds the privileges whose grant is logged.
    if (geteuid() != 0) {
      std::erase_if(expected, [](const std::string& line) {
        return line == "Access rights granted" || line == "Privileges granted";
      });
    }
    EXPECT_TRUE(expected == actual) << name << " (-expected +actual):\n" << Diff(expected, actual);
  }

  // The log file named by the last line holds all that came before it,
  // from the "\n" that begins the scan's first line.
  void ExpectSavedLog(const std::string& out) {
    const std::string last = "\nLog appended to ";
    const size_t at = out.rfind(last);
    ASSERT_NE(at, std::string::npos) << out;
    const std::string file = out.substr(at + last.size(), out.size() - at - last.size() - 1);
    EXPECT_EQ(ReadFile(file), "\n" + out.substr(0, at));
  }
};

TEST_F(GoldenScanTest, TwoScansReadAsTheGoldenLogs) {
  AddMirror();
  MakeDirs(At("src/sub"));
  MakeDirs(At("src/replaced"));
  const std::pair<const char*, const char*> files[] = {
      {"a.txt", "alpha"},       {"changes.txt", "version 1"}, {"deleted.txt", "bye"},
      {"notes.tmp", "scratch"}, {"sub/b.txt", "bravo"},       {"replaced/x.txt", "x"},
  };
  for (const auto& [path, content] : files) WriteFile(At("src/") + path, content);
  fs::create_symlink("a.txt", At("src/link"));
  RunOk({"set", "LogMinAges", "yes"});
  RunOk({"filter", "add", "excluded-source", "*.tmp"});
  RunOk({"minage", "add", At("src/sub"), "10"});

  const std::string first = RunOk({"scan"});
  ExpectGolden("first_scan.txt", first);
  ExpectSavedLog(first);

  // A scan in the same second would share the first one's log file.
  const std::time_t ended = std::time(nullptr);
  while (std::time(nullptr) == ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  WriteFile(At("src/changes.txt"), "version 2!");
  WriteFile(At("src/sub/b.txt"), "bravo 2");  // held back by its minimal age
  WriteFile(At("src/sub/new.txt"), "new");
  fs::remove(At("src/deleted.txt"));
  fs::remove_all(At("src/replaced"));
  WriteFile(At("src/replaced"), "now a file");

  const std::string second = RunOk({"scan"});
  ExpectGolden("second_scan.txt", second);
  ExpectSavedLog(second);
}

}  // namespace
}  // namespace qv::testing
