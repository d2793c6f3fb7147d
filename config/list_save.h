#ifndef QUORVANE_CONFIG_LIST_SAVE_H_
#define QUORVANE_CONFIG_LIST_SAVE_H_

#include <string>
#include <vector>

#include "config/list_rows.h"

namespace qv {

class TQVIniFile;

// A list as the grid holds it now, over the snapshot it was loaded into. A
// new row (a duplicated one too) has no key.
struct TListEdit {
  const TListSnapshot& snapshot;
  const std::vector<TListRow>& rows;
};

// A subkey that another writer added while the grid was open: kept, after
// the grid's rows.
struct TKeptEntry {
  TListKind kind;
  std::string key;   // its name after the save
  std::string text;  // its unnamed value
};

struct TListSaveResult {
  bool saved = false;
  std::string error;  // why not
  std::vector<TKeptEntry> kept;
};

// Saves the lists in one transaction, or nothing at all (the store's failure,
// a destination whose key another row or another writer holds, an empty
// destination). Each row is written with its Row, at the position it has
// (filters without, as the tool writes them).
// A row keeps its key; a new row of a numbered list gets the next number
// free at save time; a mapping's key follows its destination and, when the
// destination changed, takes along every value below the old key except
// the old destination's state (DropDestinationState). Filters are renamed to
// their row number, because their readers order them by key name; values
// below move with them. Only keys loaded and no longer used are deleted;
// keys added meanwhile come after the rows in key order and are returned.
// Values below a key that the grid does not show are left as they are.
TListSaveResult SaveLists(TQVIniFile& ini, const std::vector<TListEdit>& edits);

}  // namespace qv

#endif  // QUORVANE_CONFIG_LIST_SAVE_H_
