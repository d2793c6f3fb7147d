#include "config/filter_adder.h"

#include <memory>
#include <utility>

#include "config/dir_weights.h"
#include "filesys/file_ops.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

TFilter& TFilterAdder::AddPattern(TFilters& list, std::string& pattern,
                                  const std::string& description, bool log,
                                  uint32_t required_attributes) {
  logger_.FlushHeading();
  if (!IsPattern(pattern)) CompletePlainPath(pattern, required_attributes);
  auto filter = std::make_unique<TFilter>(pattern, required_attributes, log);
  TFilter& added = *filter;
  list.Add(std::move(filter));
  logger_.LogLine("Added " + description + " " + pattern);
  return added;
}

void TFilterAdder::CompletePlainPath(std::string& pattern, uint32_t required_attributes) {
  FileInfo info;
  const Status status = platform_.Stat(pattern, &info);
  if (status.ok()) {
    if (info.IsDirectory()) pattern = IncludeTrailingSeparator(pattern);
    return;
  }
  std::string warning = "Warning for filter " + pattern + " " + SystemMessage(status.code());
  if (!pattern.ends_with(kSep)) {
    if ((required_attributes & kAttrDirectory) != 0) {
      pattern += kSep;
    } else {
      warning += ". Assuming it is a file. If it is a directory add a backslash at the end.";
    }
  }
  logger_.LogLine(warning);
}

bool TFilterAdder::AddAutoFile(TFilters& list, const std::string& path,
                               const std::string& description, bool enabled, TDirWeights* weights) {
  return enabled && FileExists(platform_, path) && AddPath(list, path, description, weights);
}

bool TFilterAdder::AddAutoDir(TFilters& list, const std::string& path,
                              const std::string& description, bool enabled) {
  const std::string dir = IncludeTrailingSeparator(path);
  return enabled && IsDirectory(platform_, ExcludeTrailingSeparator(dir)) &&
         AddPath(list, dir, description, nullptr);
}

bool TFilterAdder::AddPath(TFilters& list, const std::string& path, const std::string& description,
                           TDirWeights* weights) {
  if (list.Find(path) >= 0) return false;
  auto filter = std::make_unique<TFilter>(path, 0, true);
  filter->protects = true;
  list.Add(std::move(filter));
  if (weights != nullptr) weights->Add(path);
  logger_.LogUnderHeading("Added " + description + path);
  return true;
}

}  // namespace qv
