// Reading a mirror back: what differs between an entry and its copy.
#include <cstdio>
#include <string_view>

#include "config/mapping.h"
#include "config/time_resolution.h"
#include "engine/mirror_verifier.h"
#include "engine/update_reason.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "filesys/security.h"

namespace qv {

namespace {

// A link before a directory: a link to a directory is copied as a link.
const char* KindText(const FileInfo& entry) {
  if (entry.IsReparsePoint()) return "a link";
  if (entry.IsDirectory()) return "a folder";
  return (entry.attributes & kAttrDevice) != 0 ? "a special file" : "a file";
}

std::string ModeText(uint32_t mode) {
  char text[16];
  std::snprintf(text, sizeof text, "%04o", mode & kModeBits);
  return text;
}

// Whether the scan would hold an update back: the copy is younger than the
// minimal age of its directory.
bool HeldByMinimalAge(FileTime now, int64_t min_age, const FileInfo& dest) {
  return min_age > 0 && now >= dest.last_write_time && now - dest.last_write_time <= min_age;
}

}  // namespace

bool TMirrorVerifier::CompareEntry(const TDirPair& pair, const TFoundFile& source,
                                   const TFoundDestFile& dest) {
  const std::string source_path = pair.source + dest.name;
  const char* source_kind = KindText(source);
  const char* dest_kind = KindText(dest);
  const bool directory = source.IsDirectory() && !source.IsReparsePoint();
  const bool dest_folder = dest.IsDirectory() && !dest.IsReparsePoint();
  const std::string shown = dest_folder ? dest.full_path + kSep : dest.full_path;
  if (std::string_view(source_kind) != dest_kind) {
    Differ(shown, std::string("type differs: the source holds ") + source_kind + ", the mirror " +
                      dest_kind);
    return true;
  }
  std::string what;
  if (!directory) what = ContentDifference(source_path, source, dest.full_path, dest);
  if (!what.empty() && HeldByMinimalAge(platform_.Now(), pair.min_age, dest)) what.clear();
  if (what.empty() && ModesDiffer(source, dest)) {
    what = "mode differs: source " + ModeText(source.mode) + ", mirror " + ModeText(dest.mode);
  }
  if (!what.empty()) Differ(shown, what);
  return !directory;
}

std::string TMirrorVerifier::ContentDifference(const std::string& source_path,
                                               const TFoundFile& source,
                                               const std::string& dest_path,
                                               const TFoundFile& dest) {
  switch (CompareContent(source, dest, mapping_.resolution())) {
    case TContentMatch::kWriteTime:
      return "write time differs";
    case TContentMatch::kSize:
      return "size differs: source " + std::to_string(source.size) + " bytes, mirror " +
             std::to_string(dest.size) + " bytes";
    case TContentMatch::kSame:
      break;
  }
  if (((source.attributes ^ dest.attributes) & kComparedAttributes) != 0) {
    return ReasonText(kReasonAttributes);
  }
  if (source.IsReparsePoint()) {
    std::string source_target;
    std::string dest_target;
    const bool read = platform_.ReadLink(source_path, &source_target).ok() &&
                      platform_.ReadLink(dest_path, &dest_target).ok();
    return read && source_target != dest_target ? "link target differs" : "";
  }
  if (!compare_data_) return "";
  bool same = false;
  const Status status = platform_.SameContent(source_path, dest_path, &same);
  if (!status.ok()) return "content could not be compared: " + status.message();
  return same ? "" : "content differs";
}

// As a scan brings security over: the permission bits, a set-ID bit only
// where the copy has the owner or group it names.
bool TMirrorVerifier::ModesDiffer(const TFoundFile& source, const TFoundFile& dest) const {
  if (!compare_modes_ || source.IsReparsePoint()) return false;
  const uint32_t mode =
      WithoutForeignSetId(source.mode, source.uid == dest.uid, source.gid == dest.gid);
  return mode != (dest.mode & kModeBits);
}

// Each target holds what its source holds.
void TMirrorVerifier::VerifyFileMappings() {
  for (size_t i = 0; i < file_mappings_.sources.size(); ++i) {
    const std::string& source_path = file_mappings_.sources[i];
    const std::string& target = file_mappings_.targets[i];
    FileInfo source;
    FileInfo dest;
    if (!platform_.Stat(source_path, &source).ok()) continue;
    const Status status = platform_.Stat(target, &dest);
    if (!status.ok()) {
      Differ(target, "missing, the file mapping of " + source_path);
      continue;
    }
    const std::string what =
        ContentDifference(source_path, TFoundFile(source), target, TFoundFile(dest));
    if (!what.empty()) Differ(target, what + ", the file mapping of " + source_path);
  }
}

}  // namespace qv
