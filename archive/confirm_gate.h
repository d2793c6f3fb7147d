#ifndef QUORVANE_ARCHIVE_CONFIRM_GATE_H_
#define QUORVANE_ARCHIVE_CONFIRM_GATE_H_

#include <cstdint>
#include <string>

namespace qv {

// Bits of the confirmation flags word that a mirror run passes by pointer
// through its walk and into every action that changes a destination.
enum : uint16_t {
  kConfirmDefaultYes = 0x0001,     // the answer when nobody is asked
  kConfirmAsk = 0x0002,            // ask the user
  kConfirmDirScope = 0x0004,       // the asking state ends with the directory
  kConfirmMirrorScope = 0x0008,    // the asking state ends with the mirror
  kConfirmTerminate = 0x0010,      // the user chose to stop the scan
  kConfirmRemoveDay = 0x0020,      // the question removes an archive day to free storage
  kConfirmCreateArchive = 0x0040,  // the question creates the archive directory
  kConfirmNewItem = 0x0080,        // about something the destination does not have yet
  kConfirmWaiting = 0x0100,        // the dialog is open and the scan thread waits
};

// Where destination-changing actions ask for permission. The scan supplies
// the real gate (which asks the user and logs a declined question as an
// error with the cancelled code); tests supply scripted answers.
//
// Threads: called from the scan thread only.
class TConfirmGate {
 public:
  virtual ~TConfirmGate();
  // Asks question about destination (source may be empty, extra names the
  // directory of a directory-scoped answer). The gate may change *flags: an
  // answer for a wider scope clears kConfirmAsk and sets or clears
  // kConfirmDefaultYes, and clears the scope bits it goes beyond.
  virtual bool Confirm(const std::string& question, const std::string& source,
                       const std::string& destination, uint16_t* flags,
                       const std::string& extra) = 0;
};

// True when the flags answer Yes without asking anybody.
constexpr bool AnswersWithoutAsking(uint16_t flags) {
  return (flags & kConfirmAsk) == 0 && (flags & kConfirmDefaultYes) != 0;
}

// Every destination-changing action passes here: Yes at once when the flags
// say so, otherwise whatever gate answers.
bool PassGate(TConfirmGate& gate, const std::string& question, const std::string& source,
              const std::string& destination, uint16_t* flags,
              const std::string& extra = std::string());

// As PassGate with kind (kConfirmRemoveDay, kConfirmCreateArchive,
// kConfirmNewItem) set in *flags during the question and cleared afterwards.
bool PassGateAs(uint16_t kind, TConfirmGate& gate, const std::string& question,
                const std::string& destination, uint16_t* flags);

// A shrink asks with a copy of the caller's flags. When the user's answer
// widened beyond the directory (the copy lost kConfirmDirScope while the
// caller's flags had it), that answer is the caller's from now on.
void AdoptWiderAnswer(uint16_t* flags, uint16_t copy);

}  // namespace qv

#endif  // QUORVANE_ARCHIVE_CONFIRM_GATE_H_
