#include "versions/version_index.h"

#include <algorithm>
#include <set>
#include <utility>

#include "config/config_keys.h"

namespace qv {

namespace {

constexpr int kGatherTries = 3;

// The item's life as far as it tells it; left and slot come from its place.
TLifeItem LifeOf(const FileInfo& info) {
  TLifeItem life;
  life.born_by = info.birth_known ? info.birth_time : info.change_time;
  life.born_from =
      info.birth_known ? info.birth_time : std::min(info.last_write_time, life.born_by);
  life.is_directory = info.IsDirectory() && !info.IsReparsePoint();
  life.device = info.device;
  life.inode = info.inode;
  return life;
}

TVersion VersionOf(const std::string& path, const FileInfo& info) {
  TVersion version;
  version.life = LifeOf(info);
  version.path = path;
  version.modified = info.last_write_time;
  version.size = info.size;
  version.is_link = info.IsReparsePoint();
  return version;
}

// What tells whether the destination's item changed while the archive was read.
struct TCurrentMark {
  bool exists = false;
  uint64_t inode = 0;
  FileTime change_time = 0;
  bool operator==(const TCurrentMark&) const = default;
};

}  // namespace

std::vector<TLifeItem> TPathHistory::Lives() const {
  std::vector<TLifeItem> lives;
  for (const TVersion& item : items) lives.push_back(item.life);
  return lives;
}

TVersionIndex::TVersionIndex(Platform& platform, std::string dest_dir)
    : platform_(platform),
      dest_dir_(std::move(dest_dir)),
      archive_dir_(dest_dir_ + kArchiveDirName + "/") {}

Status TVersionIndex::Load() {
  FileInfo info;
  // The archive folder is made by the mirror's first scan.
  first_scan_ =
      platform_.StatWithBirth(archive_dir_, &info).ok() && info.birth_known ? info.birth_time : 0;
  return ListTimeSlots(platform_, archive_dir_, &slots_);
}

TPathHistory TVersionIndex::Gather(const std::string& relative) {
  TPathHistory history;
  for (int attempt = 1;; ++attempt) {
    const auto mark = [&] {
      FileInfo info;
      const bool exists = platform_.Stat(dest_dir_ + relative, &info).ok();
      return TCurrentMark{exists, exists ? info.inode : 0, exists ? info.change_time : 0};
    };
    const TCurrentMark before = mark();
    GatherOnce(relative, &history);
    // A scan that moved the item meanwhile put it into a slot not yet read.
    if (mark() == before || attempt == kGatherTries) break;
    if (!Load().ok()) break;
  }
  return history;
}

void TVersionIndex::GatherOnce(const std::string& relative, TPathHistory* history) {
  history->relative = relative;
  history->items.clear();
  history->errors.clear();
  TVersion version;
  if (ReadCurrent(relative, &version, history)) history->items.push_back(version);
  for (const TTimeSlot& slot : slots_) {
    if (ReadArchived(slot, relative, &version, history)) history->items.push_back(version);
  }
  history->versions = VersionOrder(history->Lives());
  history->known_from = std::max(first_scan_, slots_.empty() ? 0 : slots_.front().start);
}

bool TVersionIndex::ReadItem(const std::string& path, FileInfo* info, TPathHistory* history) {
  const Status status = platform_.StatWithBirth(path, info);
  if (!status.ok() && status.cond() != Cond::kNotFound) {
    history->errors.push_back("could not read " + path + ": " + status.message());
  }
  return status.ok();
}

bool TVersionIndex::ReadCurrent(const std::string& relative, TVersion* version,
                                TPathHistory* history) {
  FileInfo info;
  const std::string path = dest_dir_ + relative;
  if (!ReadItem(path, &info, history)) return false;
  *version = VersionOf(relative.empty() ? dest_dir_ : path, info);
  return true;
}

bool TVersionIndex::ReadArchived(const TTimeSlot& slot, const std::string& relative,
                                 TVersion* version, TPathHistory* history) {
  // At the root, the slot's own folder: it only carries, but its children
  // are the root's.
  FileInfo info;
  const std::string path = slot.path + relative;
  if (!ReadItem(path, &info, history)) return false;
  *version = VersionOf(path, info);
  version->slot = slot.name;
  version->life.slot_start = slot.start;
  version->life.left = LeftTime(slot, relative, history);
  // A slot removed meanwhile leaves nothing to go by.
  return version->life.left != 0;
}

FileTime TVersionIndex::LeftTime(const TTimeSlot& slot, const std::string& relative,
                                 TPathHistory* history) {
  for (size_t end = relative.find('/');; end = relative.find('/', end + 1)) {
    const std::string path = slot.path + relative.substr(0, end);
    FileInfo info;
    if (!ReadItem(path, &info, history)) return 0;
    TLifeItem life = LifeOf(info);
    life.slot_start = slot.start;
    life.left = info.change_time;
    if (end == std::string::npos || !OnlyCarries(life)) return info.change_time;
  }
}

std::vector<std::string> TVersionIndex::ChildNames(const TPathHistory& folder,
                                                   std::vector<std::string>* errors) {
  std::set<std::string> names;
  for (const TVersion& item : folder.items) {
    std::vector<DirEntry> entries;
    if (!item.life.is_directory) continue;
    const Status listed = platform_.ListDir(item.path, &entries);
    if (!listed.ok()) {
      // A slot removed meanwhile took its folders along.
      if (listed.cond() != Cond::kNotFound) {
        errors->push_back("could not list " + item.path + ": " + listed.message());
      }
      continue;
    }
    for (const DirEntry& entry : entries) {
      // An unfinished copy is no item of the mirror.
      if (!platform_.IsTempName(entry.name)) names.insert(entry.name);
    }
  }
  if (folder.relative.empty()) {
    names.erase(kArchiveDirName);
    names.erase(kLockFileName);
  }
  return {names.begin(), names.end()};
}

}  // namespace qv
