#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "console/console.h"
#include "uart/uart_host.h"

namespace r7n {

// The UART code's reports when a verb runs: what the operator would read on
// the message line goes to standard error, named by the program; pauses are
// the console's, exactly as in the menu, on a console nobody sees.
class VerbUartHost : public UartHost {
 public:
  VerbUartHost(Console& console, std::FILE* err, std::string program)
      : con_(console), err_(err), program_(std::move(program)) {}

  void TransmitWaitFailed(std::string_view message) override { Report(message); }
  void ReceiveFailed(std::string_view message) override { Report(message); }
  void PrintLine(std::string_view text) override { Report(text); }
  void Pause(int ms, const PauseLook& look) override { con_.ConSleepPolling(ms, look); }

  void Report(std::string_view message) {
    std::fprintf(err_, "%s: %.*s\n", program_.c_str(), static_cast<int>(message.size()),
                 message.data());
  }

 private:
  Console& con_;
  std::FILE* err_;
  std::string program_;
};

}  // namespace r7n
