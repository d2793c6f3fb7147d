#include "ui/main_window/archive_info_command.h"

#include <string>

#include "archive/clear_archive_info.h"
#include "archive/dest_lock.h"
#include "config/mapping.h"
#include "ui/dialogs/dialogs.h"

namespace qv {

bool AskClearArchiveInfo(Platform& platform, TQVIniFile& ini, const TMapping& mapping,
                         TDialogs& dialogs) {
  if (!dialogs.Confirm("The number of files and sizes of the archives are stored in the registry. "
                       "Clearing them will cause the next scan to refresh them from disk. Clear "
                       "the information stored for " +
                       mapping.destination() + "?")) {
    return false;
  }
  // Held until the deletion is committed: a scan started meanwhile (the
  // timer, another program) would write its counters back over it.
  TDestLock lock(platform, mapping.destination());
  std::string error;
  if (lock.TakeUnlessBusy(&error) && ClearArchiveInfo(ini, mapping, &error)) return true;
  dialogs.Error(error);
  return false;
}

}  // namespace qv
