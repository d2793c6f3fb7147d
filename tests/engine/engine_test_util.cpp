#include "tests/engine/engine_test_util.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

#include "config/config_keys.h"
#include "config/filter_store.h"
#include "config/mapping.h"
#include "engine/live_switches.h"
#include "engine/mirror.h"
#include "engine/scan_context.h"
#include "log/log_dir.h"

namespace qv::testing {

namespace fs = std::filesystem;

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
  const TLiveSwitches switches(config_);
  TScanContext context{platform_, ini_,     switches, mappings_,  disks,
                       gate_,     progress, current,  read_ahead_};
  bool confirm = confirm_;
  bool default_answer = true;
  TMirror mirror(context, *mapping_);
  const int before = log_.ErrorCount();
  mirror.Run(overlaps_, log_, &confirm, &default_answer);
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

std::string MirrorTest::Expand(std::string text) const {
  for (const auto& [name, path] : {std::pair{"SRC", src_}, std::pair{"DST", dst_}}) {
    for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, 3, path);
  }
  return text;
}

void MirrorTest::StoreFilter(const std::string& text, int type) {
  ASSERT_TRUE(SaveNewFilter(ini_, Expand(text), true, type, true, nullptr));
}

void SetWriteTime(const std::string& path, int64_t unix_seconds, int64_t nanoseconds) {
  const struct timespec times[2] = {{0, UTIME_OMIT}, {unix_seconds, nanoseconds}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

void MirrorTest::StoreFileMapping(int n, const std::string& source, const std::string& target) {
  const std::string key = std::string(kFileMappingsKey) + "\\" + std::to_string(n);
  ASSERT_TRUE(ini_.WriteString(key, "", Expand(target)) &&
              ini_.WriteString(key, "Source", Expand(source)));
}

Tree ListTree(const std::string& root) {
  Tree tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
    const std::string path = it->path().string().substr(root.size());
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
