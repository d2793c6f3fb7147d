#ifndef QUORVANE_UI_MAIN_WINDOW_ARCHIVE_INFO_COMMAND_H_
#define QUORVANE_UI_MAIN_WINDOW_ARCHIVE_INFO_COMMAND_H_

namespace qv {

class Platform;
class TDialogs;
class TMapping;
class TQVIniFile;

// "Clear archive info" for one mirror, from the Statistics menu or a chart
// row: asks, and on OK forgets the stored counters of its archive and logs
// (the limits stay), saying why when the store or a scan of the destination
// refused. True when they were cleared: the caller shows the mirror's
// statistics again.
bool AskClearArchiveInfo(Platform& platform, TQVIniFile& ini, const TMapping& mapping,
                         TDialogs& dialogs);

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_ARCHIVE_INFO_COMMAND_H_
