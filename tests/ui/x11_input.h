#ifndef QUORVANE_TESTS_UI_X11_INPUT_H_
#define QUORVANE_TESTS_UI_X11_INPUT_H_

#include <string>

namespace qv::testing {

// Resets the screen saver of display as a key press would: its idle time
// starts again from 0. False when the display cannot be opened. Xlib stays
// in the .cpp, away from Qt's headers.
bool ResetScreenSaver(const std::string& display);

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_UI_X11_INPUT_H_
