#ifndef QUORVANE_ENGINE_MIRRORS_H_
#define QUORVANE_ENGINE_MIRRORS_H_

#include "filesys/wide_string_list.h"
#include "stats/dir_info.h"

namespace qv {

class TLogger;
class TMirror;
struct TScanContext;

// The mirrors of one scan, one per enabled mapping in configuration order,
// each under its destination path, and the totals of the scan.
//
// Threads: the scan thread only; the progress in the context is read by the
// front end.
class TMirrors {
 public:
  explicit TMirrors(TScanContext& context);
  ~TMirrors();
  TMirrors(const TMirrors&) = delete;
  TMirrors& operator=(const TMirrors&) = delete;

  // Loads the context's mappings (collecting the scan-wide filters) and
  // creates the mirrors; the weighted total becomes 1 plus their weights.
  // False when the settings could not be read (logged once): then no mirror
  // exists and the scan must not run.
  bool Load(TLogger& logger);
  // Runs the mirrors in order until the scan is terminated, adding each
  // one's counters to the totals.
  void Run(TLogger& logger);
  // The end-of-scan lines of every destination.
  void LogSummary(TLogger& logger);

  int Count() const { return mirrors_.Count(); }
  const TDirInfo& source_included() const { return source_included_; }
  const TDirInfo& source_excluded() const { return source_excluded_; }
  const TDirInfo& dest_included() const { return dest_included_; }
  const TDirInfo& dest_excluded() const { return dest_excluded_; }
  const TDirInfo& archive_grown() const { return archive_grown_; }
  const TDirInfo& archive_removed() const { return archive_removed_; }
  const TDirInfo& overwritten_mappings() const { return overwritten_mappings_; }

 private:
  void AddTotals(const TMirror& mirror);

  TScanContext& context_;
  TWideStringList<> scan_filters_;
  TWideStringList<TMirror> mirrors_;
  TDirInfo source_included_;
  TDirInfo source_excluded_;
  TDirInfo dest_included_;
  TDirInfo dest_excluded_;
  TDirInfo archive_grown_;
  TDirInfo archive_removed_;
  TDirInfo overwritten_mappings_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_MIRRORS_H_
