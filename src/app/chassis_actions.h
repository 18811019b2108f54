#pragma once

#include "console/console.h"
#include "uart/channel_access.h"

namespace r7n {

// Key R / Z: pulses the reset line of a base unit's ZCP controller; nothing is
// shown and the divisor stays as it was.
void ZcpResetAction(Console& con, UartLink& link, int unit);

// Key P: holds the KJ bus in reset until the operator presses a key.
void PermanentBusResetAction(Console& con, UartLink& link);

}  // namespace r7n
