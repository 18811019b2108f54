#pragma once

#include <string>

#include "platform/console_device.h"

namespace r7n {

// The smallest window the screen layouts fit in.
inline constexpr WindowSize kMinimumWindow{25, 80};

// Why the program cannot run in a window of this size; empty when it can.
// Every console backend refuses a small window with these words.
std::string WindowSizeProblem(WindowSize size);

// The one line shown instead of the screen while the window is smaller than
// the screen (which is at least kMinimumWindow); empty when the screen fits.
std::string WindowTooSmallLine(WindowSize window, WindowSize screen);

}  // namespace r7n
