#pragma once

#include <string>

#include "platform/console_device.h"

namespace r7n {

// The smallest window the screen layouts fit in.
inline constexpr WindowSize kSmallestConsoleWindow{25, 80};

// The size of the console window whose corners, in screen buffer
// coordinates, are given (both inclusive, as the console reports them).
WindowSize ConsoleWindowSize(int left, int top, int right, int bottom);

// Why the program cannot run in a window of this size; empty when it can.
std::string ConsoleWindowProblem(WindowSize size);

}  // namespace r7n
