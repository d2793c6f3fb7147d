#include "ui/logic/folder_below_cursor.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "filesys/platform.h"

namespace qv {

namespace {

constexpr size_t kNone = std::string_view::npos;

// The first "/" that starts the line or follows one of the marks.
size_t FirstPathStart(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '/') continue;
    if (i == 0 || std::string_view(" \"(=").find(line[i - 1]) != kNone) return i;
  }
  return kNone;
}

// text begins at a path; answers the path that holds the caret, which a later
// path (" /") ends. The blank stays, so that " to " before it still matches.
std::string_view PathAtCaret(std::string_view text, size_t caret) {
  for (;;) {
    size_t blank = text.find(" /", 1);
    if (blank == kNone) return text;
    if (caret <= blank) return text.substr(0, blank + 1);
    text.remove_prefix(blank + 1);
    caret -= blank + 1;
  }
}

// Keeps what precedes the words that end a path in log lines, in this order.
std::string_view CutAtWords(std::string_view path) {
  for (std::string_view word : {": ", " to ", " with and when ", ". ", ", ", "=", " matching "}) {
    path = path.substr(0, path.find(word));
  }
  return path;
}

// The path begins with "/", so only its end can have blanks.
std::string_view TrimmedEnd(std::string_view path) {
  return path.substr(0, path.find_last_not_of(" \t") + 1);
}

std::string Parent(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  return slash == 0 || slash == kNone ? "/" : path.substr(0, slash);
}

bool IsDirectory(Platform& platform, const std::string& path) {
  FileInfo info;
  return platform.Stat(path, &info).ok() && info.IsDirectory();
}

}  // namespace

std::string FolderBelowCursor(const std::string& line, size_t column, Platform& platform) {
  size_t start = FirstPathStart(line);
  if (start == kNone) return "";
  size_t caret = std::min(column, line.size());
  caret = caret > start ? caret - start : 0;
  std::string folder(
      TrimmedEnd(CutAtWords(PathAtCaret(std::string_view(line).substr(start), caret))));
  return DeepestExistingFolder(std::move(folder), platform);
}

std::string DeepestExistingFolder(std::string path, Platform& platform) {
  while (path.size() > 1 && !IsDirectory(platform, path)) path = Parent(path);
  return path;
}

}  // namespace qv
