#include "config/start_at_logon.h"

#include "filesys/platform.h"

namespace qv {

namespace {

bool IsPlain(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
         c == '.' || c == '_' || c == '-' || c == '+' || static_cast<unsigned char>(c) >= 0x80;
}

// The program as the first word of a desktop entry's Exec: quoted when it
// holds blanks or reserved characters, "%" doubled, and backslashes escaped
// once for the quoting and once more for the key's string value.
std::string ExecWord(const std::string& program) {
  bool plain = true;
  for (char c : program) plain = plain && IsPlain(c);
  if (plain) return program;
  std::string word = "\"";
  for (char c : program) {
    if (c == '\\') {
      word += "\\\\\\\\";
    } else if (c == '"' || c == '`' || c == '$') {
      word += "\\\\";
      word += c;
    } else if (c == '%') {
      word += "%%";
    } else {
      word += c;
    }
  }
  return word + "\"";
}

}  // namespace

bool StartsAtLogon(Platform& platform) {
  bool enabled = false;
  return platform.GetAutostart(&enabled).ok() && enabled;
}

bool SetStartAtLogon(Platform& platform, bool wanted, bool current, const std::string& program) {
  if (wanted == current) return true;
  return platform.SetAutostart(wanted, ExecWord(program) + " /START").ok();
}

}  // namespace qv
