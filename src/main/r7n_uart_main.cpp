// The service console on a real chassis: I/O ports through /dev/port.

#include <cstdio>

#include "app/program.h"
#include "main/executable_dir.h"
#include "main/refusal_report.h"
#include "platform/port_guard.h"
#include "platform/posix/dev_port_io.h"
#include "platform/posix/ncurses_console.h"
#include "platform/posix/posix_shell.h"
#include "platform/real_clock.h"

int main(int /*argc*/, char** argv) {
  using namespace r7n;
  // The ports come first: without them there is nothing to do, and the
  // operator should see why on an untouched terminal.
  auto ports = DevPortIo::Open();
  if (!ports.device) {
    std::fprintf(stderr, "%s\n", ports.error.c_str());
    return 1;
  }
  PortGuard guard(*ports.device);
  RealClock clock;
  auto console = NcursesConsole::Start(clock);
  if (!console.device) {
    std::fprintf(stderr, "%s\n", console.error.c_str());
    return 1;
  }
  PosixShell shell(*console.device);
  PlatformServices platform{guard, clock, *console.device, shell, ExecutableDir(argv[0])};
  const int status = RunProgram(platform);
  console.device.reset();
  ReportRefusals(guard, stderr);
  return status;
}
