// The folder named in a log line at the caret, on a real tree.
#include "ui/logic/folder_below_cursor.h"

#include <string>

#include <gtest/gtest.h>

#include "filesys/platform.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

TEST(FolderBelowCursorTest, FindsTheDeepestExistingFolderOfThePathAtTheCaret) {
  ScopedTempDir temp;
  MakeTree(temp.path(),
           {"src dir/file.txt=x", "dst/file.txt=x", "R&D/<b>x</b>/", "name\xff/", "link->dst"});
  const std::string r = temp.path().substr(0, temp.path().size() - 1);
  const std::string copied = "Copied " + r + "/src dir/file.txt to " + r + "/dst/file.txt";
  const size_t on_source = copied.find("src dir");
  const size_t on_destination = copied.find("dst/");
  const size_t on_blank_before_destination = copied.rfind(" /");
  const size_t kEnd = std::string::npos;
  const struct {
    const char* name;
    std::string line;
    size_t column;
    std::string folder;
  } kCases[] = {
      {"caret on the source", copied, on_source, r + "/src dir"},
      {"caret on the destination", copied, on_destination, r + "/dst"},
      {"caret on the blank before the destination", copied, on_blank_before_destination,
       r + "/src dir"},
      {"caret on the destination's slash", copied, on_blank_before_destination + 1, r + "/dst"},
      {"caret before the path", copied, 0, r + "/src dir"},
      {"caret past the end", copied, kEnd, r + "/dst"},
      {"the line is a folder", r + "/dst", 3, r + "/dst"},
      {"a folder with a trailing slash", "Created " + r + "/dst/", kEnd, r + "/dst/"},
      {"a missing tail", "Created " + r + "/R&D/<b>x</b>/gone/deeper", kEnd, r + "/R&D/<b>x</b>"},
      {"a folder before ' to '", "Moved " + r + "/src dir to " + r + "/dst", 8, r + "/src dir"},
      {"cut at ': '", "Error: " + r + "/dst: Permission denied", kEnd, r + "/dst"},
      {"cut at '. '", "Removed " + r + "/src dir. Skipped", kEnd, r + "/src dir"},
      {"cut at ', '", "Kept " + r + "/src dir, 3 files", kEnd, r + "/src dir"},
      {"cut at ' with and when '", "Updated " + r + "/dst with and when changed", kEnd, r + "/dst"},
      {"cut at ' matching '", "Excluded " + r + "/src dir matching *.tmp", kEnd, r + "/src dir"},
      {"starts after '='", "LastLog=" + r + "/dst/log.txt", kEnd, r + "/dst"},
      {"starts after '('", "Skipped (" + r + "/dst", kEnd, r + "/dst"},
      {"starts after a quote", "Skipped \"" + r + "/src dir", kEnd, r + "/src dir"},
      {"cut at '='", "Filter " + r + "/dst=on", kEnd, r + "/dst"},
      {"trailing blanks and a tab", "Created " + r + "/dst  \t", kEnd, r + "/dst"},
      {"a link to a folder", "Created " + r + "/link/file.txt", kEnd, r + "/link"},
      {"a name with a byte that is not UTF-8", "Created " + r + "/name\xff/gone", kEnd,
       r + "/name\xff"},
      {"an escaped byte is not a name", "Created " + r + "/name\\xff/gone", kEnd, r},
      {"nothing of it exists", "Rejected /no-such-dir-here/x", kEnd, "/"},
      {"a line without a path", "Scan done in 4 minutes", 5, ""},
      {"a relative path", "See docs/index.html", kEnd, ""},
      {"a slash inside a word", "Read 3/4 of it", kEnd, ""},
      {"an empty line", "", 0, ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FolderBelowCursor(c.line, c.column, DefaultPlatform()), c.folder) << c.name;
  }
}

}  // namespace
}  // namespace qv::testing
