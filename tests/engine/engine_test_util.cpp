#include "tests/engine/engine_test_util.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "engine/mirror.h"
#include "engine/scan_context.h"
#include "log/log_dir.h"

namespace qv::testing {

namespace fs = std::filesystem;

std::vector<std::string> MirrorLogger::From(const std::string& first) const {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == first) return std::vector<std::string>(lines.begin() + i, lines.end());
  }
  return {};
}

bool ScriptedGate::Confirm(const std::string& question, const std::string&, const std::string&,
                           uint16_t* flags, const std::string&) {
  questions.push_back(question);
  if (on_ask) on_ask(flags);
  bool yes = true;
  if (!answers.empty()) {
    yes = answers.front();
    answers.pop_front();
  }
  if (!yes) logger_.LogSysError(ECANCELED, question);
  return yes;
}

Status MirrorPlatform::GetVolume(const std::string& path, VolumeInfo* info) {
  const Status status = FaultPlatform::GetVolume(path, info);
  if (status.ok() && !uuid.empty()) info->uuid = uuid;
  return status;
}

MirrorTest::MirrorTest()
    : src_(dir_ / "src/"),
      dst_(dir_ / "dst/"),
      ini_(platform_, dir_ / "settings.db"),
      mappings_(ini_),
      gate_(log_) {
  MakeDirs(src_);
  MakeDirs(dst_);
  auto mapping = std::make_unique<TMapping>(ini_, dst_);
  mapping->SetSource(src_);
  mapping_ = mapping.get();
  mappings_.Add(dst_, std::move(mapping));
  // Nine in the morning of a fixed day: the archive's time slot is known.
  platform_.SetNow((13350000000LL + 9 * 3600) * kFileTimeTicksPerSecond);
}

void MirrorTest::Run() {
  platform_.Advance(3600 * kFileTimeTicksPerSecond);
  started_ = platform_.Now();
  log_.lines.clear();
  TDestDisks disks(platform_);
  TScanProgress progress;
  TCurrentMirror current;
  TScanContext context{platform_, ini_, config_, mappings_, disks, gate_, progress, current};
  TWideStringList<> overlaps;
  bool confirm = confirm_;
  bool default_answer = true;
  TMirror mirror(context, *mapping_);
  const int before = log_.ErrorCount();
  mirror.Run(overlaps, log_, &confirm, &default_answer);
  mirror.LogSummary(log_);
  errors_ = log_.ErrorCount() - before;
}

std::string MirrorTest::Archived(const std::string& relative) {
  const TLocalTime t = platform_.ToLocalTime(started_);
  char slot[64];
  std::snprintf(slot, sizeof slot, "%04d/%02d/%02d/%02d %02d %02d/", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return dst_ + kArchiveDirName + "/" + slot + relative;
}

void MirrorTest::StoreFilter(const std::string& text, int type) {
  const std::string key = std::string(kFiltersKey) + "\\" + std::to_string(10000 + type) + text;
  ASSERT_TRUE(ini_.WriteString(key, "", text));
  ASSERT_TRUE(ini_.WriteInteger(key, "FilterType", type));
}

void MirrorTest::StoreMinimalAge(const std::string& dir, int minutes) {
  const std::string key = std::string(kMinimalAgesKey) + "\\1";
  ASSERT_TRUE(ini_.WriteString(key, "", dir));
  ASSERT_TRUE(ini_.WriteInteger(key, "MinAge", minutes));
}

void MirrorTest::StoreFileMapping(const std::string& target, const std::string& source) {
  const std::string key = std::string(kFileMappingsKey) + "\\1";
  ASSERT_TRUE(ini_.WriteString(key, "", target));
  ASSERT_TRUE(ini_.WriteString(key, "Source", source));
}

std::vector<std::string> MirrorTest::DestTree() const {
  std::vector<std::string> tree;
  for (auto it = fs::recursive_directory_iterator(dst_); it != fs::end(it); ++it) {
    const std::string path = it->path().string().substr(dst_.size());
    if (path == kArchiveDirName) {
      it.disable_recursion_pending();
    } else if (it->is_symlink()) {
      tree.push_back(path + "->" + fs::read_symlink(it->path()).string());
    } else if (it->is_directory()) {
      tree.push_back(path + "/");
    } else if (!it->is_regular_file()) {
      tree.push_back(path + "|special");
    } else {
      tree.push_back(path + "=" + ReadFile(it->path().string()));
    }
  }
  std::sort(tree.begin(), tree.end());
  return tree;
}

}  // namespace qv::testing
