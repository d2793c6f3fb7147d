// Start at logon: an XDG autostart entry. Its presence is the setting.
#include <cstdlib>

#include <unistd.h>

#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

constexpr char kEntryName[] = "quorvane.desktop";

Status HomeDirectory(std::string* home) {
  const char* env = std::getenv("HOME");
  if (env != nullptr && env[0] == '/') {
    *home = env;
    return Status::Ok();
  }
  UserEntry user;
  const Status status = LookUpUser(::getuid(), &user);
  if (status.ok()) *home = user.home;
  return status;
}

// $XDG_CONFIG_HOME/autostart/ or ~/.config/autostart/; a relative
// XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
Status AutostartDirectory(std::string* dir) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') {
    *dir = std::string(config) + "/autostart/";
    return Status::Ok();
  }
  Status s = HomeDirectory(dir);
  if (s.ok()) *dir += "/.config/autostart/";
  return s;
}

}  // namespace

Status PosixPlatform::GetAutostart(bool* enabled) {
  std::string dir;
  FileInfo info;
  Status s = AutostartDirectory(&dir);
  if (s.ok()) s = Stat(dir + kEntryName, &info);
  *enabled = s.ok();
  return s.cond() == Cond::kNotFound ? Status::Ok() : s;
}

Status PosixPlatform::SetAutostart(bool enabled, const std::string& command) {
  std::string dir;
  Status s = AutostartDirectory(&dir);
  if (!s.ok()) return s;
  if (!enabled) {
    s = DeleteFile(dir + kEntryName);
    return s.cond() == Cond::kNotFound ? Status::Ok() : s;
  }
  // A line break would end the Exec key and let the command add keys of its own.
  if (command.find_first_of("\r\n") != std::string::npos) return Status::FromErrno(EINVAL);
  s = MakeDirectories(dir);
  if (!s.ok()) return s;
  return WriteFile(dir + kEntryName,
                   "[Desktop Entry]\n"
                   "Type=Application\n"
                   "Name=Quorvane\n"
                   "Exec=" +
                       command +
                       "\n"
                       "X-GNOME-Autostart-enabled=true\n"
                       "X-LXQt-Need-Tray=true\n");
}

}  // namespace qv
