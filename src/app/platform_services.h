#pragma once

#include <filesystem>

#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/port_io.h"
#include "platform/shell.h"

namespace r7n {

// Everything the program takes from the outside world, handed in by main (the
// real chassis or the simulated one) or by a test.
struct PlatformServices {
  PortIo& ports;
  Clock& clock;
  ConsoleDevice& console;
  Shell& shell;
  // The directory that holds the executable; it becomes the working
  // directory, so the configuration and capture files are found beside it.
  std::filesystem::path program_dir;
  // Whether a terminal session reads the receiver on a thread of its own:
  // on the real clock, where the program's own thread can be kept from the
  // port for longer than the receive FIFO lasts. Never on a virtual clock,
  // whose time a second thread would make depend on the scheduler.
  bool reader_thread = false;
};

}  // namespace r7n
