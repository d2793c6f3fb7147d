#ifndef QUORVANE_UI_LOGIC_BROWSE_START_H_
#define QUORVANE_UI_LOGIC_BROWSE_START_H_

#include <string>
#include <vector>

#include "config/list_rows.h"

namespace qv {

class Platform;
class TMappings;

// The path cell browsed from, with the texts of its grid's rows.
struct TBrowseCell {
  TListKind kind = TListKind::kMappings;
  int row = 0;
  int column = 0;
  std::vector<std::vector<std::string>> rows;
};

// Where browsing for the cell starts: the cell's own text (a folder cell's
// expanded). An empty mirror source or destination starts at its row's other
// side translated through mappings, else at the nearest existing folder of
// its column (the rows above, nearest first; below, for the first row); an
// empty minimal age at the first mirror source. "" when none of these is.
std::string BrowseStart(Platform& platform, const TMappings& mappings, const TBrowseCell& cell);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_BROWSE_START_H_
