#ifndef QUORVANE_CONFIG_START_AT_LOGON_H_
#define QUORVANE_CONFIG_START_AT_LOGON_H_

#include <string>

namespace qv {

class Platform;

// True when the program is registered to start at logon; false also when
// that cannot be determined.
bool StartsAtLogon(Platform& platform);

// Registers program (its full path; " /START" is appended) when wanted and
// not current, removes the registration when current and not wanted, and
// does nothing otherwise. False when the change failed.
bool SetStartAtLogon(Platform& platform, bool wanted, bool current, const std::string& program);

}  // namespace qv

#endif  // QUORVANE_CONFIG_START_AT_LOGON_H_
