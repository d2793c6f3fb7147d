// The writes the store refused, kept to be tried again.
#include <algorithm>
#include <utility>

#include "config/settings_db.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

// Lower-cased components joined by "\", as the store compares keys.
std::string Folded(const std::string& key) {
  std::string folded;
  for (const std::string& part : KeyComponents(key)) {
    if (!folded.empty()) folded += '\\';
    folded += LowerAscii(part);
  }
  return folded;
}

}  // namespace

int64_t TSettingsDb::refusals() const {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  return refusals_;
}

// A write outside a transaction counts at once; inside one it waits for the
// transaction's end.
void TSettingsDb::Journal(const TWrite& write, bool written) {
  if (depth_ > 0) {
    transaction_writes_.push_back(write);
    if (!written) transaction_refused_ = true;
  } else if (written) {
    Supersede(write);
  } else {
    Refuse(write);
  }
}

// A transaction given up on purpose (never committed, nothing refused)
// leaves no refusal behind.
void TSettingsDb::EndJournal(bool committed, bool commit_failed, bool keep_refused) {
  const bool refused = keep_refused && !committed && (transaction_refused_ || commit_failed);
  for (const TWrite& write : transaction_writes_) {
    if (committed) {
      Supersede(write);
    } else if (refused) {
      Refuse(write);
    }
  }
  transaction_writes_.clear();
  transaction_refused_ = false;
}

void TSettingsDb::Refuse(const TWrite& write) {
  ++refusals_;
  Supersede(write);
  refused_.push_back(write);
}

// Drops the refused writes that write makes pointless: those of the same
// value, and for a deleted key everything at or below it.
void TSettingsDb::Supersede(const TWrite& write) {
  const std::string key = Folded(write.key);
  const std::string name = LowerAscii(write.name);
  std::erase_if(refused_, [&](const TWrite& old) {
    const std::string old_key = Folded(old.key);
    if (write.kind == TWrite::Kind::kDeleteKey) {
      return old_key == key || old_key.starts_with(key + "\\");
    }
    return old.kind != TWrite::Kind::kDeleteKey && old_key == key && LowerAscii(old.name) == name;
  });
}

void TSettingsDb::Replay(const TWrite& write) {
  constexpr TRootKey kUser = TRootKey::kCurrentUser;
  switch (write.kind) {
    case TWrite::Kind::kValue:
      (void)WriteValue(kUser, write.key, write.name, write.value);
      break;
    case TWrite::Kind::kDeleteValue:
      (void)DeleteValue(kUser, write.key, write.name);
      break;
    case TWrite::Kind::kDeleteKey:
      (void)DeleteKeyTree(kUser, write.key);
      break;
  }
}

bool TSettingsDb::RetryRefusedWrites(std::string* error) {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  if (refused_.empty()) return true;
  // The replayed writes land in refused_ again when they fail.
  const std::vector<TWrite> writes = std::exchange(refused_, {});
  TSettingsTransaction transaction(*this);
  for (const TWrite& write : writes) Replay(write);
  return transaction.Commit(error);
}

}  // namespace qv
