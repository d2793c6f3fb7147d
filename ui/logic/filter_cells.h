#ifndef QUORVANE_UI_LOGIC_FILTER_CELLS_H_
#define QUORVANE_UI_LOGIC_FILTER_CELLS_H_

#include <string>
#include <vector>

#include "ui/logic/mapping_cells.h"

namespace qv {

class TMappings;
class TQVIniFile;

// A filter row's path and type kept on the same side of the mirrors (the
// mappings as the dialog has them now, disabled ones included).

// The type after the filter's path changed: an exclusion of destinations
// whose path lies in no destination but in a source becomes an exclusion of
// sources, and the other way round. Other types stay.
int FilterTypeForPath(const TMappings& mappings, const std::string& filter, int type);

// The path after the type changed: a destination type's path that lies in
// no destination but in a source moves to that mirror's destination, a
// source type's path that lies in no source but in a destination to its
// source. Otherwise the path stays.
std::string FilterPathForType(const TMappings& mappings, const std::string& filter, int type);

// Adds a mapping for each row with a destination, as the rows now stand.
void AddMappingRows(TQVIniFile& ini, const std::vector<TMappingRowPaths>& rows,
                    TMappings* mappings);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_FILTER_CELLS_H_
