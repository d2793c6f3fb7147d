#include "archive/dest_lock.h"

#include <utility>

#include "config/config_keys.h"
#include "log/logger.h"

namespace qv {

namespace {

std::string HolderText(const LockHolder& holder) {
  if (holder.pid <= 0) return "another process";
  std::string text = "process " + std::to_string(holder.pid);
  if (!holder.command.empty()) text += " (" + holder.command + ")";
  return text;
}

}  // namespace

TDestLock::TDestLock(Platform& platform, std::string dest_dir)
    : platform_(platform), dest_dir_(std::move(dest_dir)) {}

bool TDestLock::Take(TLogger& logger) {
  if (held()) return true;
  LockHolder holder;
  const Status status = platform_.LockDir(dest_dir_, kLockFileName, &lock_, &holder);
  if (status.ok()) return true;
  if (status.cond() == Cond::kBusy) {
    logger.LogError("Another scan is updating " + dest_dir_ + " (" + HolderText(holder) +
                    "); this mirror is left to it.");
  } else {
    logger.LogSysError(status.code(), "Could not lock destination " + dest_dir_);
  }
  return false;
}

bool TDestLock::TakeUnlessBusy(std::string* busy) {
  LockHolder holder;
  if (platform_.LockDir(dest_dir_, kLockFileName, &lock_, &holder).cond() != Cond::kBusy)
    return true;
  *busy = "A scan is updating " + dest_dir_ + " (" + HolderText(holder) +
          "); clear its archive info once that scan has ended.";
  return false;
}

bool TDestLock::Claim(TDayClaims* claims) {
  if (held()) return true;
  std::unique_ptr<DirLock> claim;
  LockHolder holder;
  if (!platform_.LockDir(dest_dir_, kLockFileName, &claim, &holder).ok()) return false;
  claims->push_back(std::move(claim));
  return true;
}

}  // namespace qv
