#include "ui/dialogs/list_save_boxes.h"

#include "ui/dialogs/dialogs.h"
#include "ui/logic/grid_columns.h"

namespace qv {

bool ShowListSave(const TListSaveResult& result, TDialogs& dialogs) {
  if (!result.saved) {
    dialogs.Error(result.error);
    return false;
  }
  if (!result.kept.empty()) dialogs.Inform(KeptEntriesText(result.kept));
  return true;
}

}  // namespace qv
