#include "config/minimal_ages.h"

#include <algorithm>
#include <utility>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

void TMinimalAges::Add(std::string directory, int minutes) {
  Entry entry{TMinimalAge{std::move(directory), minutes}, next_order_++};
  // Later entries of the same directory go behind the earlier ones.
  const auto at = std::upper_bound(
      sorted_.begin(), sorted_.end(), entry.age.directory,
      [](const std::string& dir, const Entry& e) { return dir < e.age.directory; });
  sorted_.insert(at, std::move(entry));
}

bool TMinimalAges::Take(const std::string& directory, int* minutes) {
  const auto at = std::lower_bound(
      sorted_.begin(), sorted_.end(), directory,
      [](const Entry& e, const std::string& dir) { return e.age.directory < dir; });
  if (at == sorted_.end() || at->age.directory != directory) return false;
  *minutes = at->age.minutes;
  sorted_.erase(at);
  return true;
}

std::vector<TMinimalAge> TMinimalAges::Entries() const {
  std::vector<Entry> ordered = sorted_;
  std::sort(ordered.begin(), ordered.end(),
            [](const Entry& a, const Entry& b) { return a.order < b.order; });
  std::vector<TMinimalAge> ages;
  for (Entry& entry : ordered) ages.push_back(std::move(entry.age));
  return ages;
}

std::vector<std::string> TMinimalAges::Texts() const {
  std::vector<std::string> texts;
  for (const TMinimalAge& age : Entries()) {
    texts.push_back(age.directory + "=" + std::to_string(age.minutes));
  }
  return texts;
}

bool LoadMinimalAges(TQVIniFile& ini, const std::string& mirror_source, TLogger& logger,
                     TMinimalAges* ages) {
  TSettingsLock lock(ini);
  ages->Clear();
  if (!ini.CheckStore(logger)) return false;
  logger.SetHeading("Minimal ages:");
  for (const std::string& name : ini.ListSubkeysInRowOrder(kMinimalAgesKey)) {
    const std::string key = std::string(kMinimalAgesKey) + "\\" + name;
    const std::string text = ini.ReadString(key, "");
    if (!ini.ReadBool(key, "Enabled", true)) {
      logger.LogUnderHeading("Skipped disabled minimal age " + text);
      continue;
    }
    const int minutes = ini.ReadInteger(key, "MinAge", 0);
    if (minutes <= 0) {
      logger.LogUnderHeading("Skipped zero or negative minimal age " + text);
      continue;
    }
    const std::string directory = NormaliseDirectory(ini.platform(), text, true);
    if (directory.empty()) {
      logger.FlushHeading();
      logger.LogError("minimal age " + text +
                      " expanded to an empty string. Skipped this minimal age.");
      continue;
    }
    if (!IsInside(directory, mirror_source)) {
      logger.LogUnderHeading("Skipped minimal age " + text + " not matching " + mirror_source);
      continue;
    }
    ages->Add(directory, minutes);
    logger.LogUnderHeading(std::to_string(minutes) + " minutes for " + directory);
  }
  logger.ClearHeading();
  if (ini.CheckStore(logger)) return true;
  ages->Clear();
  return false;
}

}  // namespace qv
