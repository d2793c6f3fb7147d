#ifndef QUORVANE_UI_LOGIC_FOLDER_BELOW_CURSOR_H_
#define QUORVANE_UI_LOGIC_FOLDER_BELOW_CURSOR_H_

#include <cstddef>
#include <string>

namespace qv {

class Platform;

// The folder named in a log line at the caret, or "" when the line names
// none. column is the caret's byte offset in line (UTF-8; past the end counts
// as the end). A path starts with "/" at the start of the line or after a
// blank, '"', '(' or '='; with the caret on a later path (after " /") that one
// is taken. The path ends at ": ", " to ", " with and when ", ". ", ", ", "="
// or " matching "; blanks are trimmed, and the deepest existing directory of
// what is left is the answer ("/" at worst). Escaped bytes (\xNN) are not
// unescaped: such a name does not exist, so its parent is found.
std::string FolderBelowCursor(const std::string& line, size_t column, Platform& platform);

// path, or its nearest parent that is an existing directory ("/" at worst).
std::string DeepestExistingFolder(std::string path, Platform& platform);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_FOLDER_BELOW_CURSOR_H_
