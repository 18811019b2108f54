#pragma once

#include <termios.h>

#include <string>

#include "platform/console_device.h"

namespace r7n {

// The input mode the console runs in, made from the one the terminal had:
// every byte as it is typed, unechoed, nothing translated, and a read never
// waits. Ctrl-C still raises SIGINT so the program can always be ended, but
// suspend, quit, flow control and the literal-next and discard keys are off,
// so Ctrl-Z, Ctrl-\, Ctrl-S, Ctrl-Q, Ctrl-V and Ctrl-O arrive as bytes.
termios ProgramTermios(const termios& original);

}  // namespace r7n
