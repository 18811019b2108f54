#pragma once

#include "platform/console_device.h"

namespace r7n {

// The size of the console window whose corners, in screen buffer
// coordinates, are given (both inclusive, as the console reports them).
WindowSize ConsoleWindowSize(int left, int top, int right, int bottom);

}  // namespace r7n
