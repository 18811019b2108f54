#pragma once

#include <string_view>

#include "console/console.h"
#include "console/screen_helpers.h"
#include "uart/uart_host.h"

namespace r7n {

// The operator's side of the UART code: a transmitter that never got ready
// is shown on the error line without a wait, a failed receive on the message
// line with the bell, output is printed, and pauses are the console's own
// (the screen shown, a key may end a long one).
class ConsoleUartHost : public UartHost {
 public:
  ConsoleUartHost(Console& console, ScreenHelpers& helpers) : con_(console), helpers_(helpers) {}

  void TransmitWaitFailed(std::string_view message) override;
  void ReceiveFailed(std::string_view message) override;
  void PrintLine(std::string_view text) override;
  void Pause(int ms, const PauseLook& look) override;

 private:
  Console& con_;
  ScreenHelpers& helpers_;
};

}  // namespace r7n
