#include "filesys/path_ops.h"

#include <algorithm>
#include <optional>

#include "filesys/platform.h"

namespace qv {

namespace {

constexpr char kCurrentDirAfterRoot[] = "/./";

// Expands a reference that starts at text[at] ("%NAME%" or "${NAME}"); an
// undefined name is copied as written. Answers the index just past the
// reference, or at when text[at] does not start one.
size_t ExpandReference(Platform& platform, const std::string& text, size_t at, std::string* out) {
  size_t name_begin = at + 1;
  char closing = '%';
  if (text[at] == '$') {
    if (text.compare(at, 2, "${") != 0) return at;
    name_begin = at + 2;
    closing = '}';
  }
  const size_t end = text.find(closing, name_begin);
  if (end == std::string::npos || end == name_begin) return at;
  const std::optional<std::string> value =
      platform.GetEnv(text.substr(name_begin, end - name_begin));
  *out += value ? *value : text.substr(at, end + 1 - at);
  return end + 1;
}

// "~/" at the start of text becomes $HOME; answers the index after it.
size_t ExpandHome(Platform& platform, const std::string& text, std::string* out) {
  if (text.compare(0, 2, "~/") != 0) return 0;
  const std::optional<std::string> home = platform.GetEnv("HOME");
  if (!home || home->empty()) return 0;
  *out = IncludeTrailingSeparator(*home);
  return 2;
}

}  // namespace

std::string RootOf(const std::string&) { return std::string(); }

bool HasRoot(const std::string& path) { return !path.empty() && path[0] == kSep; }

bool IsPattern(const std::string& path) {
  return !HasRoot(path) || path.find_first_of("?*") != std::string::npos ||
         path.compare(RootOf(path).size(), 3, kCurrentDirAfterRoot) == 0;
}

std::string IncludeTrailingSeparator(const std::string& path) {
  if (!path.empty() && path.back() == kSep) return path;
  return path + kSep;
}

std::string ExcludeTrailingSeparator(const std::string& path) {
  if (path.size() < 2 || path.back() != kSep) return path;
  if (path == RootOf(path) + kSep) return path;
  return path.substr(0, path.size() - 1);
}

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

int ComparePaths(const std::string& a, const std::string& b) {
  const int order = a.compare(b);
  return (order > 0) - (order < 0);
}

bool Overlap(const std::string& a, const std::string& b) {
  const std::string& shorter = a.size() <= b.size() ? a : b;
  const std::string& longer = a.size() <= b.size() ? b : a;
  return longer.compare(0, shorter.size(), shorter) == 0;
}

bool IsInside(const std::string& path, const std::string& prefix) {
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

std::string ParentDir(const std::string& path) {
  const std::string own = ExcludeTrailingSeparator(path);
  if (own.size() < 2) return std::string();  // "/" and "" have no parent
  const size_t sep = own.rfind(kSep);
  return sep == std::string::npos ? std::string() : own.substr(0, sep + 1);
}

std::string LastComponent(const std::string& path) {
  const std::string own = ExcludeTrailingSeparator(path);
  const size_t sep = own.rfind(kSep);
  if (own.size() < 2 && sep != std::string::npos) return std::string();
  return sep == std::string::npos ? own : own.substr(sep + 1);
}

std::string ExpandEnvironment(Platform& platform, const std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t i = ExpandHome(platform, text, &out);
  while (i < text.size()) {
    if (text[i] == '%' || text[i] == '$') {
      const size_t next = ExpandReference(platform, text, i, &out);
      if (next != i) {
        i = next;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

std::string ExpandTilde(Platform& platform, const std::string& text) {
  if (!text.starts_with('~')) return text;
  const size_t end = std::min(text.find(kSep), text.size());
  const std::string user = text.substr(1, end - 1);
  std::string home = user.empty() ? platform.GetEnv("HOME").value_or("") : "";
  if (home.empty() && (!platform.UserHome(user, &home).ok() || home.empty())) return text;
  // A home of "/" gives "/x" for "~/x", not "//x".
  if (end < text.size() && home.ends_with(kSep)) home.pop_back();
  return home + text.substr(end);
}

std::string NormalisePath(Platform& platform, const std::string& path, bool expand) {
  std::string result = expand ? ExpandEnvironment(platform, path) : path;
  const size_t root = RootOf(result).size();
  // Only the first "/./" counts, and only right after the root.
  if (result.find(kCurrentDirAfterRoot) == root) result.erase(root + 1, 2);
  return result;
}

std::string NormaliseDirectory(Platform& platform, const std::string& path, bool expand) {
  const std::string result = Trim(NormalisePath(platform, path, expand));
  return result.empty() ? result : IncludeTrailingSeparator(result);
}

}  // namespace qv
