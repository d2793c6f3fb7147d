#include "tests/ui/x11_input.h"

#ifdef QUORVANE_HAVE_XSS
#include <X11/Xlib.h>
#endif

namespace qv::testing {

bool ResetScreenSaver([[maybe_unused]] const std::string& display) {
#ifdef QUORVANE_HAVE_XSS
  Display* connection = XOpenDisplay(display.c_str());
  if (connection == nullptr) return false;
  XResetScreenSaver(connection);
  XSync(connection, False);
  XCloseDisplay(connection);
  return true;
#else
  return false;
#endif
}

}  // namespace qv::testing
