#ifndef QUORVANE_ENGINE_SCAN_CONTEXT_H_
#define QUORVANE_ENGINE_SCAN_CONTEXT_H_

#include "engine/reader_pool.h"

namespace qv {

class Platform;
class TQVIniFile;
class TLiveSwitches;
class TMappings;
class TDestDisks;
class TConfirmGate;
class TCurrentMirror;
struct TScanProgress;

// What every mirror of one scan shares. The scan thread builds it when the
// scan starts; nothing in it outlives the scan.
//
// Threads: the scan thread; switches are also set, progress and current
// read, by the front end (they synchronise themselves).
struct TScanContext {
  Platform& platform;
  TQVIniFile& ini;
  const TLiveSwitches& switches;  // the front end may change them while the scan runs
  TMappings& mappings;
  TDestDisks& disks;
  TConfirmGate& gate;
  TScanProgress& progress;
  TCurrentMirror& current;  // the mirror that runs now, under its lock
  // Listings are read ahead of the walk on threads of their own (see
  // TListingReadAhead).
  TReaderPool read_ahead{};
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_SCAN_CONTEXT_H_
