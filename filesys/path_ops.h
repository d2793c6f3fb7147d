#ifndef QUORVANE_FILESYS_PATH_OPS_H_
#define QUORVANE_FILESYS_PATH_OPS_H_

#include <string>

namespace qv {

class Platform;

// Pure path operations. POSIX has no drive letters: the root (drive part) of
// every path is empty, an absolute path (leading "/") counts as rooted and
// "root plus separator" is "/". Names and paths compare exactly.

inline constexpr char kSep = '/';

// The drive part of a path: always empty on POSIX.
std::string RootOf(const std::string& path);
// True for an absolute path.
bool HasRoot(const std::string& path);
// No root, or "?" / "*" in it, or "/./" right after the root.
bool IsPattern(const std::string& path);

std::string IncludeTrailingSeparator(const std::string& path);  // "" becomes "/"
// Drops one trailing "/" unless the path is "/" itself or shorter than 2.
std::string ExcludeTrailingSeparator(const std::string& path);
// Removes every character with code 32 or less from both ends.
std::string Trim(const std::string& text);

// Exact comparison: 0 equal, sign gives the order.
int ComparePaths(const std::string& a, const std::string& b);
// The shorter equals the beginning of the longer.
bool Overlap(const std::string& a, const std::string& b);
// path is longer than prefix and begins with it.
bool IsInside(const std::string& path, const std::string& prefix);
// The directory that holds path (trailing "/" of path ignored), with a
// trailing "/"; "" when there is none.
std::string ParentDir(const std::string& path);
// The last component of path (trailing "/" ignored).
std::string LastComponent(const std::string& path);

// Replaces %NAME%, ${NAME} and a leading "~/" from the environment; an
// undefined name stays as written.
std::string ExpandEnvironment(Platform& platform, const std::string& text);
// A leading "~" or "~name" (up to the first "/") becomes the home directory of
// the process's user ($HOME when set) or of the user name, as a shell expands
// it when a path is typed; other text, or a name no user has, stays as it is.
std::string ExpandTilde(Platform& platform, const std::string& text);
// Optional expansion, then removal of a "/./" right after the root.
std::string NormalisePath(Platform& platform, const std::string& path, bool expand);
// The full rule for directories the user configures: optional expansion,
// "/./" after the root removed, trimmed, and a trailing "/" appended to a
// non-empty result.
std::string NormaliseDirectory(Platform& platform, const std::string& path, bool expand);

}  // namespace qv

#endif  // QUORVANE_FILESYS_PATH_OPS_H_
