#ifndef QUORVANE_CLI_COMMAND_CONTEXT_H_
#define QUORVANE_CLI_COMMAND_CONTEXT_H_

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "config/settings_db.h"

namespace qv {

class Platform;
class TConsole;
class TMapping;
class TMappings;
class TQVIniFile;

// Exit statuses of the headless tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitScanErrors = 1;  // a scan ran and logged errors
inline constexpr int kExitCannotRun = 2;   // bad input, or the store or a service failed
inline constexpr int kExitStopped = 3;     // a scan was stopped before its end

// Everything a command needs once its command line is parsed. The settings
// store is opened on first use, so that a command checks its arguments before
// it touches (or creates) the settings file.
//
// Threads: the main thread only.
class TCommandContext {
 public:
  TCommandContext(Platform& platform, TConsole& console, std::string settings_path,
                  int busy_timeout_ms, std::ostream& out, std::ostream& err);
  ~TCommandContext();
  TCommandContext(const TCommandContext&) = delete;
  TCommandContext& operator=(const TCommandContext&) = delete;

  Platform& platform() const { return platform_; }
  TConsole& console() const { return console_; }
  std::ostream& out() const { return out_; }
  std::ostream& err() const { return err_; }
  const std::string& settings_path() const { return settings_path_; }
  int busy_timeout_ms() const { return busy_timeout_ms_; }

  // The open store, or null after writing why it cannot be read.
  TQVIniFile* Store();
  // As Store, for commands that only read the configuration: a settings file
  // that does not exist is reported instead of created empty.
  TQVIniFile* ExistingStore();
  // Makes the store, when first opened, a memory copy of the file, read
  // only: what the command writes never reaches the file.
  void CopyStoreToMemory() { store_access_ = TStoreAccess::kMemoryCopy; }
  // Runs edit in one transaction, which holds the store's write lock from
  // edit's first read on: its writes land together, and only when it answers
  // kExitOk (having reported nothing). A failed write fails the commit, which
  // is then reported.
  int Edit(const std::function<int(TQVIniFile& ini)>& edit);
  // Loads into mappings (made on Store()) every stored mirror in Row order,
  // unchecked, as the configuration dialog sees them. False after reporting
  // a failed store.
  bool LoadMirrors(TMappings* mappings);
  // Edit on the stored mirror whose destination is destination (expanded,
  // ending with "/"): change gets it as loaded; no such mirror fails naming
  // the destination.
  int EditMirror(const std::string& destination,
                 const std::function<int(TQVIniFile& ini, TMapping& mapping)>& change);
  // Writes "quorvane-cli: " + message as the one error line of the run.
  int Fail(const std::string& message);
  // Writes "quorvane-cli: warning: " + message; within Edit only once its
  // changes are stored.
  void Warn(const std::string& message);
  // Fails with the best text for a failed write: error when the write gave
  // one, else the store's failure, else a plain statement naming the file.
  int FailWrite(const std::string& error);

 private:
  Platform& platform_;
  TConsole& console_;
  const std::string settings_path_;
  const int busy_timeout_ms_;
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<TQVIniFile> ini_;
  TStoreAccess store_access_ = TStoreAccess::kFile;
  bool editing_ = false;
  std::vector<std::string> warnings_;  // of the running Edit
};

// What a command does after parsing; answers the exit status.
using TCommand = std::function<int(TCommandContext& context)>;

}  // namespace qv

#endif  // QUORVANE_CLI_COMMAND_CONTEXT_H_
