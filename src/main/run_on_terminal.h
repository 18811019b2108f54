#pragma once

#include "platform/clock.h"
#include "platform/port_io.h"

namespace r7n {

// Takes over the terminal, runs the program on the given ports behind the
// port guard, gives the terminal back and reports refused port accesses.
// Returns the exit status: 1 when the terminal cannot be used.
int RunOnTerminal(PortIo& ports, Clock& clock, const char* argv0);

}  // namespace r7n
