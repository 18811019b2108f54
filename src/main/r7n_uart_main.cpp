// The service console on a real chassis: I/O ports through /dev/port on
// Linux, through the port driver DLL on Windows.

#include <cstdio>

#include "main/chassis_ports.h"
#include "main/run_on_terminal.h"
#include "platform/real_clock.h"

int main(int /*argc*/, char** argv) {
  using namespace r7n;
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
