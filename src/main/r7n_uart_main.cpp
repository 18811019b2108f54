// The service console on a real chassis: I/O ports through /dev/port on
// Linux, through the port driver DLL on Windows.

#include <cstdio>

#include "app/uart_command_line.h"
#include "main/chassis_ports.h"
#include "main/run_on_terminal.h"
#include "platform/real_clock.h"

int main(int argc, char** argv) {
  using namespace r7n;
  const UartCommandLine line = ParseUartCommandLine(argc, argv);
  switch (line.kind) {
    case UartCommandLine::Kind::kHelp:
      std::fputs(UartUsage().c_str(), stdout);
      return 0;
    case UartCommandLine::Kind::kVersion:
      std::fputs(UartVersion().c_str(), stdout);
      return 0;
    case UartCommandLine::Kind::kError:
      std::fprintf(stderr, "r7n_uart: %s\nTry 'r7n_uart --help'.\n", line.error.c_str());
      return 2;
    case UartCommandLine::Kind::kRun:
      break;
  }
  // The ports come first: without them there is nothing to do, and the
  // operator should see why on an untouched terminal.
  auto ports = OpenChassisPorts();
  if (!ports.device) {
    std::fprintf(stderr, "%s\n", ports.error.c_str());
    return 1;
  }
  RealClock clock;
  return RunOnTerminal(*ports.device, clock, argv[0]);
}
