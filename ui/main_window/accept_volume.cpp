#include "ui/main_window/accept_volume.h"

#include <string>
#include <string_view>
#include <vector>

#include "config/mapping.h"
#include "engine/pending_accepts.h"
#include "log/log_buffer.h"
#include "ui/dialogs/dialogs.h"

namespace qv {

namespace {

constexpr std::string_view kAccepted = "Accepted";

}  // namespace

void AcceptChangedVolume(Platform& platform, TQVIniFile& ini, const TMapping& mapping,
                         TDialogs& dialogs, TLog& log) {
  TAcceptContext context{platform, ini, mapping};
  // Each kind says what its accept did ("Accepted the ..."): asked before.
  std::string question;
  for (const TPendingKind& kind : PendingKinds()) {
    std::string line;
    if (!kind.pending(context, &line)) continue;
    if (line.starts_with(kAccepted)) line = "Accept" + line.substr(kAccepted.size());
    question += (question.empty() ? "" : "\n") + line;
  }
  if (question.empty()) {
    dialogs.Inform("Nothing to accept for the mirror to " + mapping.destination());
    return;
  }
  if (!dialogs.Confirm(question + "?")) return;
  std::vector<std::string> lines;
  std::string error;
  if (!AcceptPending(context, &lines, &error)) {
    dialogs.Error(error);
    return;
  }
  for (const std::string& line : lines) log.AddLine(line, true);
}

}  // namespace qv
