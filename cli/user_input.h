#ifndef QUORVANE_CLI_USER_INPUT_H_
#define QUORVANE_CLI_USER_INPUT_H_

#include <cstdint>
#include <string>

namespace qv {

class Platform;

// Readers of what the user typed on the command line. Each answers false and
// sets *error to a sentence for the one error line when the text is not
// acceptable; *out is then left alone.

// A whole number from low to high; name says what it is for.
bool ReadInteger(const std::string& text, int64_t low, int64_t high, const std::string& name,
                 int64_t* out, std::string* error);
// The boolean words: true/false, yes/no, y/n, 1/0 (case ignored).
bool ReadBoolean(const std::string& text, const std::string& name, bool* out, std::string* error);
// "1.5 GB", "1,500 KB", "2048", ... in the C locale's number form; 0 .. no
// limit.
bool ReadSize(const std::string& text, const std::string& name, int64_t* out, std::string* error);
// "2 sec", "10ms", or 100-ns units, in the C locale's number form; 0 (the
// file system's default) and up.
bool ReadDuration(const std::string& text, const std::string& name, int64_t* out,
                  std::string* error);

enum class TPathKind { kDirectory, kFile };

// A path as it is stored (trimmed, a leading "~" expanded as a shell does,
// "/./" after the root removed, a directory with a trailing "/", environment
// references kept) and as the program uses it (references expanded).
struct TUserPath {
  std::string stored;
  std::string expanded;
};

// The expanded form must be absolute and free of wildcards; a file must not
// end with "/".
bool ReadPath(Platform& platform, const std::string& text, TPathKind kind, const std::string& name,
              TUserPath* out, std::string* error);
// The expanded form of a stored path, for comparing it with a TUserPath.
std::string ExpandStoredPath(Platform& platform, const std::string& stored, TPathKind kind);

}  // namespace qv

#endif  // QUORVANE_CLI_USER_INPUT_H_
