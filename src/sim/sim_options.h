#pragma once

#include <string>
#include <vector>

#include "sim/chassis_config.h"

namespace r7n::sim {

// The outcome of reading the simulator's command line.
struct SimOptionsResult {
  enum class Kind {
    kRun,      // start with config
    kHelp,     // print SimUsage() and exit
    kVersion,  // print SimVersion() and exit
    kError,    // print error (one line) and exit with status 2
  };
  Kind kind = Kind::kRun;
  ChassisConfig config;
  std::string error;
  // Where the program keeps a text copy of its screen; empty for nowhere.
  std::string screen_dump;
  // The file named by --interfaces-file, read once all options are in.
  std::string interfaces_path;
  // Where the slots that hold real consoles log what happens to them; empty
  // for nowhere.
  std::string events_file;
  // The first argument that is not an option and everything after it: a
  // verb of the program's own and its options, for the layers above.
  std::vector<std::string> verb_args;
};

// Reads argv[1..argc-1] from left to right, up to the first argument that is
// not an option; the first --help, --version or mistake decides the result. A repeated option takes
// its last value. The file of --interfaces-file is read here, relative to the working directory.
SimOptionsResult ParseSimOptions(int argc, const char* const* argv);

// The text printed for --help, ending in a newline.
std::string SimUsage();

// The program's name and version, as --version prints it, ending in a newline.
std::string SimVersion();

}  // namespace r7n::sim
