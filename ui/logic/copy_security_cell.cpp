#include "ui/logic/copy_security_cell.h"

#include <optional>

#include "filesys/platform.h"
#include "filesys/text_format.h"
#include "ui/logic/path_cells.h"

namespace qv {

namespace {

struct TAclAnswer {
  std::string mount_point;
  bool keeps = true;
};

std::optional<TAclAnswer> AskAcls(Platform& platform, const std::string& dir) {
  VolumeInfo volume;
  TAclAnswer answer;
  if (dir.empty() || !platform.GetVolume(dir, &volume).ok() ||
      !platform.KeepsAcls(volume.mount_point, &answer.keeps).ok()) {
    return std::nullopt;
  }
  answer.mount_point = volume.mount_point;
  return answer;
}

}  // namespace

TCellVerdict CheckCopySecurity(Platform& platform, const std::string& source,
                               const std::string& destination, const TAskedQuestions& asked) {
  const TCellVerdict ok = TCellVerdict::Ok(BoolText(true));
  const std::optional<TAclAnswer> dest =
      AskAcls(platform, ExpandedDirectory(platform, destination));
  if (!dest) return ok;
  const std::optional<TAclAnswer> src = AskAcls(platform, ExpandedDirectory(platform, source));
  if (!src || (src->keeps && dest->keeps)) return ok;
  // A mount point ends with "/" already: no separator is added.
  TCellVerdict question = TCellVerdict::Confirm(
      "Drive " + (dest->keeps ? src->mount_point : dest->mount_point) +
      " does not report the ability to store system access control lists. Do you want to try to "
      "copy them anyway?");
  question.refused_text = BoolText(false);
  return asked.Passes(question) ? ok : question;
}

}  // namespace qv
