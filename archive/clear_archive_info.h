#ifndef QUORVANE_ARCHIVE_CLEAR_ARCHIVE_INFO_H_
#define QUORVANE_ARCHIVE_CLEAR_ARCHIVE_INFO_H_

#include <string>

namespace qv {

class TMapping;
class TQVIniFile;

// "Clear archive info": deletes the four stored counters of the mirror's
// archive and of its log directory in one transaction, so that the next scan
// walks the archive and stores what it finds. Only the counters go: the size
// limits and the other values in the archive's key stay. Deleting one set
// alone would let the next scan add the recounted logs to archive counters
// that already hold them.
// False, with the store's error in *error and nothing deleted, when the
// store refused. Threads: any (the store serialises).
bool ClearArchiveInfo(TQVIniFile& ini, const TMapping& mapping, std::string* error);

}  // namespace qv

#endif  // QUORVANE_ARCHIVE_CLEAR_ARCHIVE_INFO_H_
