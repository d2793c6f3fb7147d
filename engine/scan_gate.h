#ifndef QUORVANE_ENGINE_SCAN_GATE_H_
#define QUORVANE_ENGINE_SCAN_GATE_H_

#include <cstdint>
#include <string>

#include "archive/confirm_gate.h"

namespace qv {

class TMirrorThread;

// How far the user's answer to one question reaches.
enum class TConfirmScope {
  kThisUpdate,  // only this question
  kDirectory,   // the rest of the directory and its subdirectories
  kMirror,      // the rest of the mirror
  kScan,        // the rest of the scan
};

// The flags after an answer (yes) given for scope: beyond this update the
// answer becomes the default and nobody is asked; the mirror scope also drops
// the directory scope bit, the scan scope both scope bits, so that the walk
// forgets the answer later or never. Every front end closes its question
// with this rule.
uint16_t ApplyConfirmScope(bool yes, TConfirmScope scope, uint16_t flags);

// The gate of a running scan: answers Yes at once when the flags say so,
// otherwise puts the question to the user through the scan thread.
//
// Threads: the scan thread only.
class TScanGate : public TConfirmGate {
 public:
  explicit TScanGate(TMirrorThread& thread) : thread_(thread) {}

  bool Confirm(const std::string& question, const std::string& source,
               const std::string& destination, uint16_t* flags, const std::string& extra) override;

 private:
  TMirrorThread& thread_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_SCAN_GATE_H_
