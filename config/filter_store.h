#ifndef QUORVANE_CONFIG_FILTER_STORE_H_
#define QUORVANE_CONFIG_FILTER_STORE_H_

#include <functional>
#include <string>
#include <vector>

namespace qv {

class TLogger;
class TQVIniFile;

// One filter as stored under Filters\<name>.
struct TStoredFilter {
  std::string name;  // the key name
  std::string text;  // unnamed value, unexpanded
  bool enabled = true;
  int type = 0;  // TFilterType
  bool log = true;
};

// Reads every stored filter, ordered by key name ignoring ASCII case (the
// row order of keys the configuration grid saved; Row is not consulted).
// Answers false, with *filters empty and the store's failure logged once,
// when the settings could not be read.
bool ReadStoredFilters(TQVIniFile& ini, TLogger& logger, std::vector<TStoredFilter>* filters);

// Shows an error to the user; never called with the settings lock held.
using TReportError = std::function<void(const std::string& text)>;

// Stores a filter added outside the configuration grid (from a confirmation
// or a dropped path): a new key under Filters named "%.5d" of the number of
// filter keys plus one, or the next free number above it when a removal left
// that name taken, with the unnamed value, Enabled, FilterType and LogFilter
// in one transaction. No Row is written, so it sorts after the others in the
// grid. On failure report (when set) receives "Failed to save the filter to
// the registry. " + the reason, after the lock is released. Answers whether
// the filter is stored.
bool SaveNewFilter(TQVIniFile& ini, const std::string& pattern, bool enabled, int type, bool log,
                   const TReportError& report);

}  // namespace qv

#endif  // QUORVANE_CONFIG_FILTER_STORE_H_
