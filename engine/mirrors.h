#ifndef QUORVANE_ENGINE_MIRRORS_H_
#define QUORVANE_ENGINE_MIRRORS_H_

#include <string>
#include <vector>

#include "filesys/wide_string_list.h"

namespace qv {

class TLogger;
class TMirror;
struct TScanContext;

// The mirrors of one scan, one per enabled mapping in configuration order
// (or per chosen one), each under its destination path.
//
// Threads: the scan thread only; the progress in the context is read by the
// front end.
class TMirrors {
 public:
  explicit TMirrors(TScanContext& context);
  ~TMirrors();
  TMirrors(const TMirrors&) = delete;
  TMirrors& operator=(const TMirrors&) = delete;

  // Loads the context's mappings (collecting the scan-wide filters from all
  // of them) and creates the mirrors of the enabled ones whose destination is
  // in chosen, or of every enabled one when chosen is empty; the weighted
  // total becomes 1 plus their weights. False when the settings could not be
  // read (logged once): then no mirror exists and the scan must not run.
  bool Load(TLogger& logger, const std::vector<std::string>& chosen);
  // Runs the mirrors in order until the scan is terminated.
  void Run(TLogger& logger);
  // The end-of-scan lines of every destination.
  void LogSummary(TLogger& logger);

 private:
  TScanContext& context_;
  TWideStringList<> scan_filters_;
  TWideStringList<TMirror> mirrors_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_MIRRORS_H_
