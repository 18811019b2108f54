#pragma once

#include "console/console.h"
#include "console/console_uart_host.h"
#include "console/screen_helpers.h"
#include "platform/virtual_clock.h"
#include "testing/headless_console.h"

namespace r7n::testing {

// The operator's side on the virtual clock: a headless console, and the host
// the UART code reports to through it, for tests of the code below the
// console that still check what the operator sees.
struct OperatorConsole {
  explicit OperatorConsole(VirtualClock& clock) : device(clock), con(device, clock) {}

  HeadlessConsole device;
  Console con;
  ScreenHelpers helpers{con};
  ConsoleUartHost host{con, helpers};
};

}  // namespace r7n::testing
