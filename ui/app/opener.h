#ifndef QUORVANE_UI_APP_OPENER_H_
#define QUORVANE_UI_APP_OPENER_H_

#include <string>
#include <utility>

namespace qv {

class Platform;
class TDialogs;

// Hands a local path to the desktop, which opens it with its default
// application. Tests record the paths instead.
class TOpener {
 public:
  virtual ~TOpener() = default;
  // False when the desktop refused.
  virtual bool Open(const std::string& path) = 0;
};

class TDesktopOpener : public TOpener {
 public:
  bool Open(const std::string& path) override;
};

// What the window may open: folders, log files and help pages, and nothing
// else that log text names. A path of the wrong kind, a missing one, or a
// refused open is shown in an error box; an empty path opens nothing.
class TOpenService {
 public:
  TOpenService(Platform& platform, TOpener& opener, TDialogs& dialogs, std::string executable)
      : platform_(platform),
        opener_(opener),
        dialogs_(dialogs),
        executable_(std::move(executable)) {}

  bool OpenFolder(const std::string& path);
  bool OpenLogFile(const std::string& path);
  // page is a name such as "index.html", looked up in the documentation
  // folders of the program.
  bool OpenHelpPage(const std::string& page);

 private:
  bool OpenChecked(const std::string& path, bool directory);

  Platform& platform_;
  TOpener& opener_;
  TDialogs& dialogs_;
  const std::string executable_;  // the running program's full path
};

}  // namespace qv

#endif  // QUORVANE_UI_APP_OPENER_H_
