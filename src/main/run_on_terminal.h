#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/port_io.h"

namespace r7n {

// Takes over the terminal, runs the program on the given ports behind the
// port guard, gives the terminal back and reports refused port accesses.
// screen_dump names a file that is to hold a text copy of the screen, kept up
// to date while the program runs (for tests that compare it with what the
// terminal shows); empty for none. Returns the exit status: 1 when the
// terminal cannot be used.
int RunOnTerminal(PortIo& ports, Clock& clock, const char* argv0,
                  const std::string& screen_dump = {});

}  // namespace r7n
