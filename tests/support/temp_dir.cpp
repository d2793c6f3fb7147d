#include "tests/support/temp_dir.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace qv::testing {

ScopedTempDir::ScopedTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorvane-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << pattern;
  path_ = pattern + "/";
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ec;
  // Tests may leave read-only directories behind; give write access back first.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) ADD_FAILURE() << "cannot read " << path;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void MakeDirs(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) ADD_FAILURE() << "cannot create " << path << ": " << ec.message();
}

void MakeTree(const std::string& root, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    const size_t content = entry.find('=');
    const size_t link = content == std::string::npos ? entry.find("->") : std::string::npos;
    const std::string path = root + entry.substr(0, std::min(content, link));
    MakeDirs(std::filesystem::path(path).parent_path().string());
    if (content != std::string::npos) {
      WriteFile(path, entry.substr(content + 1));
    } else if (link != std::string::npos) {
      std::filesystem::create_symlink(entry.substr(link + 2), path);
    }
  }
}

bool PathExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace qv::testing
