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
};

}  // namespace r7n
