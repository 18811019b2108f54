#pragma once

#include <string>

#include "console/console.h"
#include "terminal/serial_terminal.h"
#include "uart/channel_access.h"

namespace r7n {

// The terminal titles of the menu keys.
std::string ZcpTerminalTitle(int unit);
std::string ModuleTerminalTitle(int unit, int module);

// Keys 1 / 2: a terminal on a base unit's ZCP controller.
void ZcpTerminalAction(Console& con, UartLink& link, SerialTerminal& terminal, int unit);

// Keys A-H: a terminal on a module's Linux console (module 0-3 = A-D); the
// line goes back to the ZCP controller afterwards.
void ModuleTerminalAction(UartLink& link, SerialTerminal& terminal, int unit, int module);

}  // namespace r7n
