#include "main/run_on_terminal.h"

#include <langinfo.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "main/executable_dir.h"
#include "platform/port_guard.h"
#include "platform/posix/cell_glyph.h"
#include "platform/posix/ncurses_console.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/screen_dump_console.h"
#include "platform/refusal_report.h"

namespace r7n {
namespace {

// Beside the programs, the terminfo directory with the console's own
// terminal description (installed there by the build and the package).
constexpr char kOwnTerminfoDir[] = "terminfo";

}  // namespace

int RunOnTerminal(PortIo& ports, Clock& clock, const char* argv0, const std::string& screen_dump) {
  PortGuard guard(ports);
  const std::filesystem::path dir = ExecutableDir(argv0);
  auto console =
      NcursesConsole::Start(clock, {ProgramName(argv0), (dir / kOwnTerminfoDir).string()});
  if (!console.device) {
    std::fprintf(stderr, "%s\n", console.error.c_str());
    return 1;
  }
  // The console has set the locale by now, so the codeset is the one it draws in.
  std::optional<ScreenDumpConsole> dump;
  if (!screen_dump.empty()) {
    dump.emplace(*console.device, screen_dump, IsUtf8Codeset(nl_langinfo(CODESET)));
  }
  ConsoleDevice& device = dump ? static_cast<ConsoleDevice&>(*dump) : *console.device;
  PosixShell shell(*console.device);
  PlatformServices platform{guard, clock, device, shell, dir, true};
  const int status = RunProgram(platform);
  const std::vector<std::string> notes = console.device->NotesAfterSession();
  console.device.reset();
  for (const std::string& note : notes) std::fprintf(stderr, "%s\n", note.c_str());
  ReportRefusals(guard, ProgramName(argv0), stderr);
  if (dump && !dump->Error().empty()) {
    std::fprintf(stderr, "%s: %s\n", ProgramName(argv0).c_str(), dump->Error().c_str());
  }
  return status;
}

}  // namespace r7n
