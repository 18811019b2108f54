#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "module/console_listener.h"
#include "uart/channel_access.h"
#include "uart/uart_transfer.h"

namespace r7n {

// Asks the current base unit's ZCP controller for its version, as N does,
// and returns the lines of its reply (empty when it gave none).
std::vector<std::string> ReadControllerVersion(UartLink& link, UartTransfer& uart,
                                               ConsoleListener& listener);

// The lines of a controller's readable reply to "V": the complete ones,
// trimmed, without blank ones and without the echo of the command; the
// prompt that follows (a line not yet ended) is left out.
std::vector<std::string> VersionLines(std::string_view readable);

}  // namespace r7n
