#include "main/run_on_terminal.h"

#include <cstdio>

#include "app/program.h"
#include "main/executable_dir.h"
#include "main/refusal_report.h"
#include "platform/port_guard.h"
#include "platform/posix/ncurses_console.h"
#include "platform/posix/posix_shell.h"

namespace r7n {

int RunOnTerminal(PortIo& ports, Clock& clock, const char* argv0) {
  PortGuard guard(ports);
  auto console = NcursesConsole::Start(clock);
  if (!console.device) {
    std::fprintf(stderr, "%s\n", console.error.c_str());
    return 1;
  }
  PosixShell shell(*console.device);
  PlatformServices platform{guard, clock, *console.device, shell, ExecutableDir(argv0)};
  const int status = RunProgram(platform);
  console.device.reset();
  ReportRefusals(guard, stderr);
  return status;
}

}  // namespace r7n
