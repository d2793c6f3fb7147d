#ifndef QUORVANE_UI_MAIN_WINDOW_ACCEPT_VOLUME_H_
#define QUORVANE_UI_MAIN_WINDOW_ACCEPT_VOLUME_H_

namespace qv {

class Platform;
class TDialogs;
class TLog;
class TMapping;
class TQVIniFile;

// "Accept changed volume..." for one mirror: what a scan refuses until the
// user accepts it (a changed or vanished volume, a held mass change) is named
// in a question; on OK it is accepted as the headless tool's "mirror accept"
// does, and each accept is logged.
void AcceptChangedVolume(Platform& platform, TQVIniFile& ini, const TMapping& mapping,
                         TDialogs& dialogs, TLog& log);

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_ACCEPT_VOLUME_H_
