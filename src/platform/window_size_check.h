#pragma once

#include <string>

#include "platform/console_device.h"

namespace r7n {

// The smallest window the screen layouts fit in.
inline constexpr WindowSize kMinimumWindow{25, 80};

// The one line shown instead of the screen while the window is smaller than
// the layouts; empty when they fit. A screen that started larger than the
// window has become is drawn as far as it fits: everything the program lays
// out is in its top left 80 x 25.
std::string WindowTooSmallLine(WindowSize window);

}  // namespace r7n
