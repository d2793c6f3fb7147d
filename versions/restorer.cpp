#include "versions/restorer.h"

#include <cerrno>
#include <limits>
#include <utility>

namespace qv {

namespace {

constexpr FileTime kNow = std::numeric_limits<FileTime>::max();

// The moment when version was what its path held: the last one before it
// left, or now for the destination's own item.
FileTime LastMomentOf(const TVersion& version) {
  return version.life.current() ? kNow : version.life.left - 1;
}

bool IsFolder(const FileInfo& info) { return info.IsDirectory() && !info.IsReparsePoint(); }

std::string ChildPath(const std::string& relative, const std::string& name) {
  return relative.empty() ? name : relative + "/" + name;
}

}  // namespace

TRestorer::TRestorer(Platform& platform, TVersionIndex& index, TProgress progress, TStop stop)
    : platform_(platform), index_(index), progress_(std::move(progress)), stop_(std::move(stop)) {}

bool TRestorer::Stopping() {
  if (!counts_.stopped && stop_ && stop_()) counts_.stopped = true;
  return counts_.stopped;
}

bool TRestorer::ReadWhole(const TPathHistory& history) {
  counts_.errors.insert(counts_.errors.end(), history.errors.begin(), history.errors.end());
  return history.errors.empty();
}

bool TRestorer::RestoreAt(const std::string& relative, FileTime t, const std::string& target,
                          std::string* error) {
  const TPathHistory history = index_.Gather(relative);
  // What could not be read may be the version asked for.
  if (!ReadWhole(history)) return true;
  const TVersionAt at = VersionAt(history.Lives(), t, history.known_from);
  if (at.state == TVersionState::kUnknown) {
    *error =
        "the archive cannot tell what was there then: it reaches back only to its oldest "
        "time slot and the mirror's first scan";
    return false;
  }
  if (at.state == TVersionState::kNone) {
    *error = "nothing was there then";
    return false;
  }
  if (at.uncertain) counts_.uncertain.push_back(target);
  RestoreVersion(history, at.index, t, target);
  return true;
}

bool TRestorer::RestoreNewest(const std::string& relative, const std::string& source,
                              const std::string& target, const TDiffers& differs,
                              std::string* error) {
  FileInfo now;
  const Status there = platform_.Stat(source, &now);
  if (there.ok() && IsFolder(now)) {
    RestoreMissing(relative, source, target);
    return true;
  }
  const TPathHistory history = index_.Gather(relative);
  if (!ReadWhole(history)) return true;
  for (const int i : history.versions) {
    const TVersion& version = history.items[i];
    FileInfo kept;
    if (there.ok() && (version.life.is_directory || !platform_.Stat(version.path, &kept).ok() ||
                       !differs(now, kept))) {
      continue;
    }
    RestoreVersion(history, i, LastMomentOf(version), target);
    return true;
  }
  *error = there.ok() ? "no version differs from it" : "the mirror holds no version of it";
  return false;
}

void TRestorer::RestoreMissing(const std::string& relative, const std::string& source,
                               const std::string& target) {
  const TPathHistory folder = index_.Gather(relative);
  if (!ReadWhole(folder)) return;
  for (const std::string& name : index_.ChildNames(folder, &counts_.errors)) {
    if (Stopping()) return;
    const std::string child_source = source + "/" + name;
    const std::string child_target = target + "/" + name;
    FileInfo info;
    const Status there = platform_.Stat(child_source, &info);
    if (there.ok()) {
      if (IsFolder(info)) RestoreMissing(ChildPath(relative, name), child_source, child_target);
      continue;
    }
    const TPathHistory child = index_.Gather(ChildPath(relative, name));
    if (!ReadWhole(child) || child.versions.empty()) continue;
    const TVersion& newest = child.items[child.versions.front()];
    const Status made = MakeFolders(target);
    if (!made.ok()) return Failed(target, made);
    RestoreVersion(child, child.versions.front(), LastMomentOf(newest), child_target);
  }
}

Status TRestorer::MakeFolders(const std::string& path) {
  FileInfo info;
  if (platform_.Stat(path, &info).cond() != Cond::kNotFound) return Status::Ok();
  const Status parent = MakeFolders(path.substr(0, path.rfind('/')));
  return parent.ok() ? platform_.CreateDir(path) : parent;
}

void TRestorer::RestoreVersion(const TPathHistory& history, int item, FileTime t,
                               const std::string& target) {
  const TVersion& version = history.items[item];
  FileInfo existing;
  if (platform_.Stat(target, &existing).cond() != Cond::kNotFound) {
    if (version.life.is_directory && IsFolder(existing)) {
      RestoreChildren(history, t, target);
    } else {
      counts_.left_alone.push_back(target);
    }
    return;
  }
  if (version.life.is_directory) return RestoreFolder(history, version, t, target);
  if (version.is_link) return RestoreLink(version, target);
  FileInfo info;
  const Status read = platform_.Stat(version.path, &info);
  if (!read.ok()) return Failed(target, read);
  if ((info.attributes & kAttrDevice) != 0) {
    counts_.errors.push_back("not restored, a special file: " + target);
    return;
  }
  RestoreFile(version, target);
}

void TRestorer::RestoreChildren(const TPathHistory& folder, FileTime t, const std::string& target) {
  for (const std::string& name : index_.ChildNames(folder, &counts_.errors)) {
    if (Stopping()) return;
    const TPathHistory child = index_.Gather(ChildPath(folder.relative, name));
    if (!ReadWhole(child)) continue;
    const TVersionAt at = VersionAt(child.Lives(), t, child.known_from);
    if (at.state != TVersionState::kFound) continue;
    if (at.uncertain) counts_.uncertain.push_back(target + "/" + name);
    RestoreVersion(child, at.index, t, target + "/" + name);
  }
}

void TRestorer::RestoreFile(const TVersion& version, const std::string& target) {
  const int64_t before = counts_.bytes;
  const CopyProgress progress = [&](int64_t copied, int64_t) {
    if (Stopping()) return ECANCELED;
    counts_.bytes = before + copied;
    if (progress_) progress_(counts_, target);
    return 0;
  };
  std::string temp;
  const Status copied =
      platform_.CopyToTemp(version.path, target, progress, /*with_security=*/true, &temp, nullptr);
  if (!copied.ok()) {
    // A stopped copy left nothing; the file was not restored.
    counts_.bytes = before;
    if (!counts_.stopped) Failed(target, copied);
    return;
  }
  counts_.bytes = before + version.size;
  Committed(platform_.Move(temp, target), temp, target);
}

void TRestorer::RestoreLink(const TVersion& version, const std::string& target) {
  std::string text, temp;
  Status status = platform_.ReadLink(version.path, &text);
  if (status.ok()) status = platform_.SymlinkToTemp(text, target, &temp);
  if (!status.ok()) return Failed(target, status);
  (void)platform_.SetTimes(temp, 0, version.modified);
  Committed(platform_.Move(temp, target), temp, target);
}

void TRestorer::RestoreFolder(const TPathHistory& history, const TVersion& version, FileTime t,
                              const std::string& target) {
  Status status = platform_.CreateDir(target);
  if (status.cond() == Cond::kExists) {
    counts_.left_alone.push_back(target);
    return;
  }
  if (!status.ok()) return Failed(target, status);
  ++counts_.folders;
  RestoreChildren(history, t, target);
  // A folder not filled keeps a mode that lets a later restore fill it.
  if (counts_.stopped) return;
  // After the contents: making them moved the folder's times, and a mode
  // without write access would have stopped them.
  SecurityDescriptor security;
  status = platform_.ReadSecurity(version.path, &security);
  if (status.ok()) status = platform_.WriteSecurity(target, security, nullptr);
  if (status.ok()) status = platform_.SetTimes(target, 0, version.modified);
  if (!status.ok()) Failed(target, status);
}

void TRestorer::Committed(const Status& status, const std::string& temp,
                          const std::string& target) {
  if (status.ok()) {
    ++counts_.files;
    return;
  }
  (void)platform_.DeleteFile(temp);
  if (status.cond() == Cond::kExists) {
    counts_.left_alone.push_back(target);
  } else {
    Failed(target, status);
  }
}

void TRestorer::Failed(const std::string& target, const Status& status) {
  counts_.errors.push_back("could not restore " + target + ": " + status.message());
}

}  // namespace qv
