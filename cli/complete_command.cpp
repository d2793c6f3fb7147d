// __complete -- WORD...: the candidates for the last word, for the shells'
// completion scripts. Hidden from the help. It only ever reads: the settings
// file is copied into memory (never created), a store held by another
// process is given up on quickly, and nothing but candidates is printed.

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "cli/completion.h"
#include "cli/mirror_paths.h"
#include "config/config_keys.h"
#include "config/mappings.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "versions/time_slots.h"

namespace qv {

namespace {

// A shell waits for the answer while the user waits for the shell.
constexpr int kBusyTimeoutMs = 200;

// The configured mirrors, as the command being typed would find them.
class TStoreSources : public TCompletionSources {
 public:
  explicit TStoreSources(TCommandContext& context) : context_(context) {}

  std::vector<std::string> Destinations(const TTypedValues& typed) override {
    std::vector<std::string> destinations;
    if (const TMappings* mappings = Mirrors(typed)) {
      for (int i = 0; i < mappings->Count(); ++i) destinations.push_back(mappings->Destination(i));
    }
    return destinations;
  }

  std::vector<std::string> TimeSlots(const TTypedValues& typed) override {
    std::vector<std::string> names;
    for (const std::string& destination : SlotDestinations(typed)) {
      std::vector<TTimeSlot> slots;
      (void)ListTimeSlots(context_.platform(), destination + kArchiveDirName + "/", &slots);
      for (const TTimeSlot& slot : slots) names.push_back(slot.name);
    }
    return names;
  }

 private:
  static std::string Typed(const TTypedValues& typed, const std::string& key) {
    const auto found = typed.find(key);
    return found == typed.end() ? "" : found->second;
  }

  // A word is completed as typed: the "~/" that the shell will expand is
  // still there.
  std::string AsShellExpands(const std::string& word) const {
    if (!word.starts_with("~/")) return word;
    return context_.platform().GetEnv("HOME").value_or("~") + word.substr(1);
  }

  // Loaded once, from the settings file the command line names.
  const TMappings* Mirrors(const TTypedValues& typed) {
    if (quiet_ != nullptr) return mappings_.get();
    const std::string path = AsShellExpands(Typed(typed, "--settings"));
    quiet_ = std::make_unique<TCommandContext>(context_.platform(), context_.console(),
                                               path.empty() ? context_.settings_path() : path,
                                               kBusyTimeoutMs, context_.out(), discard_);
    quiet_->CopyStoreToMemory();
    TQVIniFile* ini = quiet_->Store();
    if (ini == nullptr) return nullptr;
    mappings_ = std::make_unique<TMappings>(*ini);
    if (!quiet_->LoadMirrors(mappings_.get())) mappings_.reset();
    return mappings_.get();
  }

  // The destinations of the mirrors holding the path typed, else of the one
  // named, else of all.
  std::vector<std::string> SlotDestinations(const TTypedValues& typed) {
    const TMappings* mappings = Mirrors(typed);
    if (mappings == nullptr) return {};
    const std::string path = Typed(typed, "PATH");
    const std::string destination = Typed(typed, "--destination");
    std::vector<std::string> destinations;
    if (!path.empty()) {
      std::vector<TMirrorPath> found;
      (void)FindMirrorPaths(*quiet_, *mappings, path, destination, &found);
      for (const TMirrorPath& mirror : found) destinations.push_back(mirror.destination);
      return destinations;
    }
    const std::string wanted =
        destination.empty() ? "" : NormaliseDirectory(context_.platform(), destination, true);
    for (int i = 0; i < mappings->Count(); ++i) {
      if (wanted.empty() || mappings->Destination(i) == wanted) {
        destinations.push_back(mappings->Destination(i));
      }
    }
    return destinations;
  }

  TCommandContext& context_;
  std::ostream discard_{nullptr};  // the failures completion keeps to itself
  std::unique_ptr<TCommandContext> quiet_;
  std::unique_ptr<TMappings> mappings_;
};

}  // namespace

void AddCompleteCommand(TCommandRegistry& registry) {
  auto words = std::make_shared<std::vector<std::string>>();
  const CLI::App& root = registry.app();
  CLI::App* command = registry.AddCommand(
      &registry.app(), "__complete", "", [words, &root](TCommandContext& context) {
        TStoreSources sources(context);
        for (const std::string& candidate : CompletionCandidates(root, *words, sources)) {
          context.out() << candidate << '\n';
        }
        return kExitOk;
      });
  command->group("");
  command->add_option("WORD", *words);
}

}  // namespace qv
