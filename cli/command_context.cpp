#include "cli/command_context.h"

#include <utility>

#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "filesys/console.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

TCommandContext::TCommandContext(Platform& platform, TConsole& console, std::string settings_path,
                                 int busy_timeout_ms, std::ostream& out, std::ostream& err)
    : platform_(platform),
      console_(console),
      settings_path_(std::move(settings_path)),
      busy_timeout_ms_(busy_timeout_ms),
      out_(out),
      err_(err) {}

TCommandContext::~TCommandContext() = default;

TQVIniFile* TCommandContext::Store() {
  if (ini_ == nullptr) {
    ini_ = std::make_unique<TQVIniFile>(platform_, settings_path_, busy_timeout_ms_, store_access_);
  }
  if (!ini_->Failed()) return ini_.get();
  Fail(ini_->FailureText());
  return nullptr;
}

TQVIniFile* TCommandContext::ExistingStore() {
  FileInfo info;
  if (!settings_path_.empty() && platform_.Stat(settings_path_, &info).cond() == Cond::kNotFound) {
    Fail("there is no settings file " + settings_path_ +
         "; add a mirror first (quorvane-cli mirror add SOURCE DESTINATION)");
    return nullptr;
  }
  return Store();
}

int TCommandContext::Edit(const std::function<int(TQVIniFile& ini)>& edit) {
  TQVIniFile* ini = Store();
  if (ini == nullptr) return kExitCannotRun;
  TSettingsTransaction transaction(ini->db());
  editing_ = true;
  const int status = edit(*ini);
  editing_ = false;
  std::vector<std::string> warnings = std::move(warnings_);
  warnings_.clear();
  if (status != kExitOk) return status;
  std::string error;
  if (!transaction.Commit(&error)) return FailWrite(error);
  for (const std::string& warning : warnings) Warn(warning);
  return kExitOk;
}

bool TCommandContext::LoadMirrors(TMappings* mappings) {
  TLogger discard;
  if (mappings->Load(discard, nullptr, false, true)) return true;
  Fail(ini_->FailureText());
  return false;
}

int TCommandContext::EditMirror(
    const std::string& destination,
    const std::function<int(TQVIniFile& ini, TMapping& mapping)>& change) {
  return Edit([&](TQVIniFile& ini) {
    TMappings mappings(ini);
    if (!LoadMirrors(&mappings)) return kExitCannotRun;
    for (int i = 0; i < mappings.Count(); ++i) {
      if (mappings.Destination(i) == destination) return change(ini, *mappings.Mapping(i));
    }
    return Fail("no mirror has the destination " + destination);
  });
}

int TCommandContext::Fail(const std::string& message) {
  // A scan run by a timer fails into the journal as an error.
  err_ << (console_.ErrorIsJournal() ? "<3>" : "") << "quorvane-cli: " << message << '\n';
  err_.flush();
  return kExitCannotRun;
}

void TCommandContext::Warn(const std::string& message) {
  if (editing_) {
    warnings_.push_back(message);
    return;
  }
  err_ << "quorvane-cli: warning: " << message << '\n';
  err_.flush();
}

int TCommandContext::FailWrite(const std::string& error) {
  if (!error.empty()) return Fail(error);
  if (ini_ != nullptr && ini_->Failed()) return Fail(ini_->FailureText());
  return Fail("Cannot write the settings store " + settings_path_);
}

}  // namespace qv
