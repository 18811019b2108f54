#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/port_io.h"
#include "verbs/verb_command_line.h"

namespace r7n {

// A verb read from the command line, or the exit status when there is none
// to run: 0 after its help was printed, 2 after a mistake was explained on
// standard error.
struct ParsedVerb {
  std::optional<VerbRequest> request;
  int status = 0;
};
ParsedVerb ReadVerb(const char* argv0, const std::vector<std::string>& args);

// Runs the verb on the ports behind the port guard, with no terminal: prints
// its result on standard output, refused port accesses on standard error,
// and returns the verb's exit status.
int RunVerbOnPorts(PortIo& ports, Clock& clock, const char* argv0, const VerbRequest& request);

}  // namespace r7n
