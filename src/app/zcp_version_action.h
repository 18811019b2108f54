#pragma once

#include "console/console.h"
#include "uart/channel_access.h"
#include "uart/uart_transfer.h"

namespace r7n {

// Key N: asks base unit 1's ZCP controller for its version and shows the
// reply as it arrives, until the operator presses a key.
void ZcpVersionAction(Console& con, UartLink& link, UartTransfer& uart);

}  // namespace r7n
