#ifndef QUORVANE_CONFIG_KEY_TREE_H_
#define QUORVANE_CONFIG_KEY_TREE_H_

#include <string>
#include <vector>

#include "config/registry_key.h"

namespace qv {

class TQVIniFile;

// One value of a key tree; subkey is relative to the tree's key ("" or
// "\\Destination\\Archive").
struct TTreeValue {
  std::string subkey;
  std::string name;
  TRegValue value;
};

// Every value at or below key, so that a list save can move a key: the
// values nobody edits (counters, identities, anything unknown) go along.
std::vector<TTreeValue> ReadKeyTree(TQVIniFile& ini, const std::string& key);
// Writes the values below key; false on the first refused write.
bool WriteKeyTree(TQVIniFile& ini, const std::string& key, const std::vector<TTreeValue>& tree,
                  std::string* error);

// A mapping given another destination in the grid keeps what belongs to its
// source and its settings. What described the old destination directory is
// left behind: its counters (stale archive counts would make the archive
// limits delete versions from the new archive), its volume identity (the
// next scan stores the new one instead of refusing a "changed" root), its
// archive time slot and the base and hold of the mass-change guard.
void DropDestinationState(std::vector<TTreeValue>* tree);

}  // namespace qv

#endif  // QUORVANE_CONFIG_KEY_TREE_H_
