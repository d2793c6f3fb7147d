#ifndef QUORVANE_CONFIG_MAPPINGS_H_
#define QUORVANE_CONFIG_MAPPINGS_H_

#include <functional>
#include <memory>
#include <string>

#include "config/mapping.h"
#include "filesys/wide_string_list.h"

namespace qv {

class TLogger;
class TQVIniFile;

// Option bits of the lookups and translations.
enum : int {
  kFindPatterns = 1,       // a rootless pattern is translated (see SourceToDestination)
  kFindDisabled = 2,       // disabled mappings take part
  kFindPreferEnabled = 4,  // an enabled candidate beats a disabled one whatever its length
  kFindDestinations = 8,   // compare against destinations instead of sources
};

// The line of a load that finds no mapping.
inline constexpr char kNoMappingsLine[] =
    "No mappings found. Use the configuration dialog to create a mirror.";

// Asks a question with OK and Cancel; true for OK.
using TAskQuestion = std::function<bool(const std::string& question)>;
// Shows a piece of information.
using TShowInfo = std::function<void(const std::string& text)>;

// The configured mirrors in configuration order: destination strings, each
// carrying its TMapping (owned). An entry may carry no mapping; it then counts
// as enabled and has no source.
class TMappings {
 public:
  explicit TMappings(TQVIniFile& ini) : ini_(ini) {}

  // Replaces the list by the stored mappings in Row order, under the settings
  // lock. A stored destination that is not in normal form (absolute, no
  // wildcards, ending with "/", no surrounding blanks) is skipped with an
  // error. Unless skip_checks, each mapping is checked against those accepted
  // before it: an empty source, a source equal to or inside its own
  // destination (through links and bind mounts too), a source equal to an
  // accepted one, and a destination that
  // overlaps an accepted one are rejected with an error; when collect_overlaps
  // and overlaps is given, the inner of two nested sources is added to
  // *overlaps (once, and only when it exists). Logs "No mappings found..."
  // for an empty result.
  //
  // Answers false, with the list empty and the store's failure logged once,
  // when the settings could not be read: the caller must not scan then.
  bool Load(TLogger& logger, TWideStringList<>* overlaps, bool collect_overlaps, bool skip_checks);

  int Count() const { return list_.Count(); }
  const std::string& Destination(int i) const { return list_.Text(i); }
  TMapping* Mapping(int i) const { return list_.Object(i); }
  // Expanded source, or the raw one; empty for an entry without mapping.
  std::string Source(int i, bool raw = false) const;
  bool Enabled(int i) const;
  void Add(std::string destination, std::unique_ptr<TMapping> mapping);

  // Index of the mapping whose source (destination with kFindDestinations)
  // is the longest prefix of path, or -1; see the option bits. The path is
  // first expanded and normalised as a directory.
  int FindBySource(const std::string& path, int options) const;
  int FindByDestination(const std::string& path, int options) const;

  // Translates a path or pattern from a source to its destination and back;
  // empty when no mapping holds it. With kFindPatterns a rootless pattern is
  // returned unchanged when base (a root, which is empty on POSIX) is empty;
  // otherwise base is put in front for the lookup and cut off the result.
  std::string SourceToDestination(const std::string& path, const std::string& base,
                                  int options) const;
  std::string DestinationToSource(const std::string& path, const std::string& base,
                                  int options) const;

  // Offers to exclude a path the user picked: 1 when it lies in a source
  // (disabled mirrors included) and the user agrees, 2 likewise for a
  // destination, else the same question on other when given, else an
  // information that the path is not part of a mirror and 0.
  int AskToExclude(const std::string& path, const TMappings* other, const TAskQuestion& ask,
                   const TShowInfo& inform) const;

 private:
  bool Check(TMapping& mapping, TLogger& logger, TWideStringList<>* overlaps, bool collect);
  void NoteOverlap(const std::string& a, const std::string& b, TWideStringList<>* overlaps);
  // The accepted mapping whose source (or destination) overlaps path; the
  // longest source wins.
  int FindOverlap(const std::string& path, bool destinations) const;
  int Find(const std::string& path, int options) const;
  std::string Translate(const std::string& path, const std::string& base, int options,
                        bool to_source) const;

  TQVIniFile& ini_;
  TWideStringList<TMapping> list_;
};

}  // namespace qv

#endif  // QUORVANE_CONFIG_MAPPINGS_H_
