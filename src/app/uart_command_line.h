#pragma once

#include <string>

namespace r7n {

// What r7n_uart's command line asks for. Without arguments the program runs
// on the chassis; --help and --version answer without touching the ports.
struct UartCommandLine {
  enum class Kind { kRun, kHelp, kVersion, kError };
  Kind kind = Kind::kRun;
  std::string error;  // for kError: one line that names what was wrong
};

UartCommandLine ParseUartCommandLine(int argc, const char* const* argv);
std::string UartUsage();
std::string UartVersion();

}  // namespace r7n
