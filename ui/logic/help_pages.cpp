#include "ui/logic/help_pages.h"

#include "filesys/platform.h"

namespace qv {

namespace {

// "/a/b/" for "/a/b/c"; "/" at the top.
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "/" : path.substr(0, slash + 1);
}

}  // namespace

std::vector<std::string> HelpFolders(const std::string& executable_path) {
  std::string folder = FolderOf(executable_path);
  std::string above = folder.size() > 1 ? FolderOf(folder.substr(0, folder.size() - 1)) : folder;
  return {folder + "documentation/", above + "share/quorvane/documentation/", folder};
}

std::string FindHelpPage(Platform& platform, const std::string& executable_path,
                         const std::string& page) {
  for (const std::string& folder : HelpFolders(executable_path)) {
    std::string path = folder + page;
    FileInfo info;
    if (platform.Stat(path, &info).ok() && !info.IsDirectory()) return path;
  }
  return "";
}

}  // namespace qv
