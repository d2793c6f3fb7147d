#ifndef QUORVANE_UI_DIALOGS_LIST_SAVE_BOXES_H_
#define QUORVANE_UI_DIALOGS_LIST_SAVE_BOXES_H_

#include "config/list_save.h"

namespace qv {

class TDialogs;

// Tells the user how a save of the configuration lists went: the store's
// failure as an error, or the entries other writers added meanwhile in one
// information box. True when the lists were saved.
bool ShowListSave(const TListSaveResult& result, TDialogs& dialogs);

}  // namespace qv

#endif  // QUORVANE_UI_DIALOGS_LIST_SAVE_BOXES_H_
