#include <cstdio>
#include <string>

#include "app/program.h"
#include "main/executable_dir.h"
#include "main/run_on_terminal.h"
#include "platform/port_guard.h"
#include "platform/refusal_report.h"
#include "platform/win32/timer_resolution.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_shell.h"

namespace r7n {

int RunOnTerminal(PortIo& ports, Clock& clock, const char* argv0, const std::string& screen_dump) {
  const std::string program = ProgramName(argv0);
  if (!screen_dump.empty()) {
    std::fprintf(stderr, "%s: a screen dump is only written on a POSIX terminal\n",
                 program.c_str());
  }
  // Pauses keep their length: the default 15.6 ms tick would make every
  // 10 ms step of the program half as long again.
  const TimerResolution timer;
  PortGuard guard(ports);
  auto console = Win32Console::Start(program);
  if (!console.device) {
    std::fprintf(stderr, "%s\n", console.error.c_str());
    return 1;
  }
  Win32Shell shell(*console.device);
  PlatformServices platform{guard, clock, *console.device, shell, ExecutableDir(argv0), true};
  const int status = RunProgram(platform);
  console.device.reset();
  ReportRefusals(guard, program, stderr);
  return status;
}

}  // namespace r7n
