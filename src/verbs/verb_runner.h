#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/port_io.h"
#include "verbs/verb_command_line.h"

namespace r7n {

// What a verb takes from the outside world, handed in by main or a test.
struct VerbServices {
  PortIo& ports;
  Clock& clock;
  // Where R7n_Uart.cfg is looked for (the module line's rate); it becomes
  // the working directory, as for the menu.
  std::filesystem::path program_dir;
  std::string program;  // the name messages begin with
  std::string host;     // the machine's name, for the JSON report
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  // A line on err as each module is done: when err is a terminal.
  bool progress = false;
};

// Runs one verb on the chassis and prints its result; the exit status (0 or
// 1, see VerbExitStatus).
int RunVerb(const VerbRequest& request, VerbServices& services);

}  // namespace r7n
