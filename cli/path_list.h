#ifndef QUORVANE_CLI_PATH_LIST_H_
#define QUORVANE_CLI_PATH_LIST_H_

#include <functional>
#include <string>
#include <vector>

#include "cli/command_context.h"
#include "cli/user_input.h"

namespace qv {

// A list below the base key whose entries are named by a path in their
// unnamed value and kept in Row order: the minimal ages (directories) and
// the file mappings (target files).
struct TPathList {
  const char* key;  // kMinimalAgesKey, ...
  TPathKind kind;
  const char* what;       // "minimal age", in messages
  const char* path_name;  // "the directory", in messages
};

struct TPathEntry {
  std::string key;  // full key path
  TUserPath path;   // the unnamed value, as stored and expanded
};

// The entries in Row order.
std::vector<TPathEntry> LoadPathEntries(TQVIniFile& ini, const TPathList& list);

// Writes the values of a new entry into key; failures join the transaction.
using TEntryWriter = std::function<void(TQVIniFile& ini, const std::string& key)>;

// Adds an entry for path after all others: a numbered key with the unnamed
// value, Row, and what write adds. Refuses a path the list already holds.
int AddPathEntry(TCommandContext& context, const TPathList& list, const TUserPath& path,
                 const TEntryWriter& write);
// Removes every entry whose path is the one typed; fails when there is none.
int RemovePathEntries(TCommandContext& context, const TPathList& list, const std::string& typed);

}  // namespace qv

#endif  // QUORVANE_CLI_PATH_LIST_H_
