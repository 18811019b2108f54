#pragma once

#include "console/console.h"
#include "console/console_uart_host.h"
#include "console/screen_helpers.h"
#include "platform/port_recorder.h"
#include "platform/virtual_clock.h"
#include "sim/chassis.h"
#include "testing/bus_cost_port_io.h"
#include "testing/headless_console.h"
#include "uart/channel_access.h"
#include "uart/uart_transfer.h"

namespace r7n::testing {

// The UART layer on the simulated chassis and the virtual clock, without the
// rest of the program: for tests of the flows that drive a channel.
struct ChassisRig {
  explicit ChassisRig(sim::ChassisConfig config = {}) : chassis(clock, config) {
    clock.SetLimitUs(3'600'000'000);
  }

  // Connects the UART of base unit `unit` to a channel (0 ZCP, 1-4 modules).
  void Select(int unit, int channel) {
    link.ChanAdr().port = BasePort(unit);
    link.UartSelChan(channel);
  }

  VirtualClock clock;
  sim::Chassis chassis;
  BusCostPortIo bus_cost{chassis, clock};
  PortRecorder recorder{bus_cost, clock};
  HeadlessConsole device{clock};
  Console con{device, clock};
  ScreenHelpers helpers{con};
  ConsoleUartHost host{con, helpers};
  UartLink link{recorder, host};
  ReceivePump pump{link, clock, host};
  UartTransfer uart{link, pump, host};
};

}  // namespace r7n::testing
