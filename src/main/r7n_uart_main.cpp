// The service console on a real chassis: I/O ports through /dev/port on
// Linux, through the port driver DLL on Windows.

#include <cstdio>
#include <optional>
#include <string>

#include "app/uart_command_line.h"
#include "main/chassis_ports.h"
#include "main/executable_dir.h"
#include "main/process_facts.h"
#include "main/run_on_terminal.h"
#include "main/verb_main.h"
#include "platform/chassis_lock.h"
#include "platform/real_clock.h"
#include "verbs/verb_command_line.h"

namespace {

// Exit statuses of the verbs; the menu keeps its 1 for both.
constexpr int kNoPortAccess = 3;
constexpr int kChassisInUse = 4;

}  // namespace

int main(int argc, char** argv) {
  using namespace r7n;
  const UartCommandLine line = ParseUartCommandLine(argc, argv);
  const std::string program = ProgramName(argv[0]);
  std::optional<VerbRequest> verb;
  switch (line.kind) {
    case UartCommandLine::Kind::kHelp:
      std::fputs((UartUsage() + "\n" + VerbUsage()).c_str(), stdout);
      return 0;
    case UartCommandLine::Kind::kVersion:
      std::fputs(UartVersion().c_str(), stdout);
      return 0;
    case UartCommandLine::Kind::kError:
      std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), line.error.c_str(),
                   program.c_str());
      return 2;
    case UartCommandLine::Kind::kVerb: {
      ParsedVerb parsed = ReadVerb(argv[0], line.verb_args);
      if (!parsed.request) return parsed.status;
      verb = parsed.request;
      break;
    }
    case UartCommandLine::Kind::kRun:
      break;
  }
  // The lock comes first, so that a second program is refused before it
  // touches anything; then the ports, so that the operator sees why there is
  // nothing to do on an untouched terminal.
  const std::string holder = program + (verb ? " " + line.verb_args[0] : std::string()) +
                             ", process " + std::to_string(ProcessId());
  const ChassisLockResult lock = LockChassis(DefaultChassisLockPlace(), holder);
  if (lock.state != ChassisLockResult::State::kHeld) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), lock.message.c_str());
    if (lock.state == ChassisLockResult::State::kInUse) return kChassisInUse;
    return verb ? kNoPortAccess : 1;
  }
  auto ports = OpenChassisPorts();
  if (!ports.device) {
    std::fprintf(stderr, "%s\n", ports.error.c_str());
    return verb ? kNoPortAccess : 1;
  }
  RealClock clock;
  if (verb) return RunVerbOnPorts(*ports.device, clock, argv[0], *verb);
  return RunOnTerminal(*ports.device, clock, argv[0]);
}
