#ifndef QUORVANE_UI_IDLE_IDLE_TIME_X11_H_
#define QUORVANE_UI_IDLE_IDLE_TIME_X11_H_

#include <memory>
#include <string>

#include "ui/idle/idle_source.h"

namespace qv {

// The X11 screen-saver extension on a display connection of its own (never
// Qt's, whose Xlib state is not ours to use). display "" is $DISPLAY.
// nullptr when the display cannot be opened or lacks the extension.
// Built only where libXss exists; Xlib's headers stay in the .cpp, because
// their macros (Bool, None, Status) break Qt's headers.
std::unique_ptr<TIdleSource> X11IdleSource(const std::string& display);

}  // namespace qv

#endif  // QUORVANE_UI_IDLE_IDLE_TIME_X11_H_
