#ifndef QUORVANE_ARCHIVE_REGISTRY_BACKUP_H_
#define QUORVANE_ARCHIVE_REGISTRY_BACKUP_H_

#include <string>

namespace qv {

class TLogger;
class TQVIniFile;

// The file, directly in the backup directory, that a key is saved to: every
// "\" and "/" replaced by "_" and every "." dropped, no extension.
std::string RegistryBackupFileName(const std::string& key_path);

// Saves the keys named by the hive list key and the additional keys of
// Registry\SaveKeys (in Row order), each through the store's key-saving
// service, into the backup directory (environment references expanded, made
// when missing), replacing earlier files. Every key that cannot be saved is
// logged as an error; unless every expected key was saved (and there was at
// least one) the run ends with "Backup registry failed".
//
// True when the run went through to its end, failed saves included: the
// registry then counts as backed up for the rest of the program run. False
// when the backup directory is not valid (it must be absolute) or the scan
// was terminated part way.
bool BackupRegistry(TQVIniFile& ini, TLogger& logger);

}  // namespace qv

#endif  // QUORVANE_ARCHIVE_REGISTRY_BACKUP_H_
