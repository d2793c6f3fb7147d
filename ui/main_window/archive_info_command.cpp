#include "ui/main_window/archive_info_command.h"

#include <string>

#include "archive/clear_archive_info.h"
#include "config/mapping.h"
#include "ui/dialogs/dialogs.h"

namespace qv {

bool AskClearArchiveInfo(TQVIniFile& ini, const TMapping& mapping, TDialogs& dialogs) {
  if (!dialogs.Confirm("The number of files and sizes of the archives are stored in the registry. "
                       "Clearing them will cause the next scan to refresh them from disk. Clear "
                       "the information stored for " +
                       mapping.destination() + "?")) {
    return false;
  }
  std::string error;
  if (ClearArchiveInfo(ini, mapping, &error)) return true;
  dialogs.Error(error);
  return false;
}

}  // namespace qv
