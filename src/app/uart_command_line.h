#pragma once

#include <string>
#include <vector>

namespace r7n {

// What r7n_uart's command line asks for. Without arguments the program runs
// on the chassis; a first argument that is no option is a verb; --help and --version answer without
// touching the ports.
struct UartCommandLine {
  enum class Kind { kRun, kHelp, kVersion, kVerb, kError };
  Kind kind = Kind::kRun;
  std::string error;  // for kError: one line that names what was wrong
  // For kVerb: every argument, the verb first, for the verbs to read.
  std::vector<std::string> verb_args;
};

UartCommandLine ParseUartCommandLine(int argc, const char* const* argv);
std::string UartUsage();
std::string UartVersion();

}  // namespace r7n
