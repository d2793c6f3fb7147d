#ifndef QUORVANE_TESTS_SUPPORT_TEMP_DIR_H_
#define QUORVANE_TESTS_SUPPORT_TEMP_DIR_H_

#include <string>
#include <vector>

namespace qv::testing {

// A fresh directory under $TMPDIR (or /tmp), removed with its contents when
// the object goes away. path() ends with "/".
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + relative.
  std::string operator/(const std::string& relative) const { return path_ + relative; }

 private:
  std::string path_;
};

// Small helpers for building trees in tests; each fails the test on error.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
void MakeDirs(const std::string& path);
bool PathExists(const std::string& path);  // lstat succeeds
// Makes each entry below root, parents on the way: "path=content" a file,
// "path->target" a link, "path/" a directory.
void MakeTree(const std::string& root, const std::vector<std::string>& entries);

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_SUPPORT_TEMP_DIR_H_
