#ifndef QUORVANE_ENGINE_VANISHED_ARCHIVE_H_
#define QUORVANE_ENGINE_VANISHED_ARCHIVE_H_

namespace qv {

class Platform;
class TLogger;
class TMapping;
class TQVIniFile;

// An archive that the store knows of (it holds the archive's time slot) but
// that is not in the destination: the destination may be another volume
// than the one that holds the versions, or somebody deleted the archive.
// Going on would create an empty archive and carry the stored counters over
// to it.

// True when the archive of mapping vanished.
bool ArchiveVanished(Platform& platform, TQVIniFile& ini, const TMapping& mapping);

// False, with an error that says what may have happened and how to accept
// it, when the archive vanished; the caller cancels the mirror.
bool CheckArchivePresent(Platform& platform, TQVIniFile& ini, const TMapping& mapping,
                         TLogger& logger);

// Forgets the vanished archive: its counters, those of its logs and its time
// slot, so that the next scan starts a new archive from nothing.
bool ForgetArchive(TQVIniFile& ini, const TMapping& mapping);

}  // namespace qv

#endif  // QUORVANE_ENGINE_VANISHED_ARCHIVE_H_
