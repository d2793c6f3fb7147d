#ifndef QUORVANE_VERSIONS_LIFETIME_H_
#define QUORVANE_VERSIONS_LIFETIME_H_

#include <cstdint>
#include <vector>

#include "filesys/local_time.h"

namespace qv {

// One item that stood at a path of a mirror: the destination's current one
// or one kept in a time slot of its archive. It lived from its birth until
// it left for the archive (linking or renaming it there set its change time).
// Where the file system keeps no birth time, born_from is the modification
// time and born_by the change time: the birth lies between them.
struct TLifeItem {
  FileTime born_from = 0;
  FileTime born_by = 0;
  FileTime left = 0;        // 0: the destination's current item, still there
  FileTime slot_start = 0;  // start of the run whose slot holds it; 0 when current
  bool is_directory = false;
  uint64_t device = 0;  // with inode: hard links of one item share them
  uint64_t inode = 0;

  bool current() const { return left == 0; }
  bool birth_known() const { return born_from == born_by; }
};

// A folder of a time slot born at or after the slot's start was made by the
// archive to hold archived children: it is no version of that folder.
bool OnlyCarries(const TLifeItem& item);

// The indexes of the items that are versions, newest first: carrying folders
// left out, and of items sharing an inode only the current one (else the
// first). Order: the current item, then by left, latest first.
std::vector<int> VersionOrder(const std::vector<TLifeItem>& items);

enum class TVersionState { kNone, kFound, kUnknown };

struct TVersionAt {
  TVersionState state = TVersionState::kNone;
  int index = -1;          // into the items, when found
  bool uncertain = false;  // a birth time missing: bounds could not settle it
};

// The version at time t: among the versions born by t that had not left by
// then, the one that left first; the current item when none did and it was
// born by t. Before known_from (the mirror's first scan, or its oldest time
// slot still kept) the archive cannot tell: kUnknown.
TVersionAt VersionAt(const std::vector<TLifeItem>& items, FileTime t, FileTime known_from);

}  // namespace qv

#endif  // QUORVANE_VERSIONS_LIFETIME_H_
