#ifndef QUORVANE_CONFIG_FILTER_ADDER_H_
#define QUORVANE_CONFIG_FILTER_ADDER_H_

#include <cstdint>
#include <string>

#include "config/filter.h"

namespace qv {

class Platform;
class TDirWeights;
class TLogger;

// Adds filters to the lists of one mirror and logs each addition, writing the
// logger's pending heading first.
class TFilterAdder {
 public:
  TFilterAdder(Platform& platform, TLogger& logger) : platform_(platform), logger_(logger) {}

  // Adds a user's pattern, logged "Added " + description + " " + pattern. A
  // plain path (not a pattern) is looked up first: a directory gets its
  // trailing "/"; a path that cannot be read is logged "Warning for filter "
  // + pattern + " " + the reason, and then gets a "/" when required_attributes
  // asks for a directory, or else is taken for a file, which the same line
  // says. pattern receives the completed text. Answers the filter added.
  TFilter& AddPattern(TFilters& list, std::string& pattern, const std::string& description,
                      bool log, uint32_t required_attributes);
  // Add an automatic filter, logged "Added " + description + path (the
  // description ends with a blank), when enabled, when the path exists (as a
  // directory for AddAutoDir, which gives it a trailing "/") and when the
  // list does not hold the same pattern yet. weights (may be null) learns the
  // path too. True when added.
  bool AddAutoFile(TFilters& list, const std::string& path, const std::string& description,
                   bool enabled, TDirWeights* weights);
  bool AddAutoDir(TFilters& list, const std::string& path, const std::string& description,
                  bool enabled);
  // Adds a path known to matter without looking at the disk, logged like an
  // automatic filter, unless the list holds it already. weights (may be null)
  // learns it too. True when added. Automatic filters protect (see
  // TFilter::protects).
  bool AddPath(TFilters& list, const std::string& path, const std::string& description,
               TDirWeights* weights);

 private:
  void CompletePlainPath(std::string& pattern, uint32_t required_attributes);

  Platform& platform_;
  TLogger& logger_;
};

}  // namespace qv

#endif  // QUORVANE_CONFIG_FILTER_ADDER_H_
