#ifndef QUORVANE_VERSIONS_TIME_SLOTS_H_
#define QUORVANE_VERSIONS_TIME_SLOTS_H_

#include <string>
#include <vector>

#include "filesys/platform.h"

namespace qv {

// One time slot of a mirror's archive: the items one scan archived.
struct TTimeSlot {
  std::string name;  // "yyyy/mm/dd/hh mm ss", with its " (n)" where it has one
  std::string path;  // archive folder + name + "/"
  // When its run started: the birth of the slot's folder, which the run made
  // before any folder it made inside (else the time its name gives).
  FileTime start = 0;
};

// The time slots below archive_dir (ending with "/"), oldest first. Folders
// whose names are not those of days and slots are not slots. No archive
// there: none, and Ok.
Status ListTimeSlots(Platform& platform, const std::string& archive_dir,
                     std::vector<TTimeSlot>* slots);

}  // namespace qv

#endif  // QUORVANE_VERSIONS_TIME_SLOTS_H_
