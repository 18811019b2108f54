// The service console on the simulated chassis, for use without hardware.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "main/run_on_terminal.h"
#include "platform/bus_paced_port_io.h"
#include "platform/real_clock.h"
#include "sim/chassis.h"
#include "sim/sim_options.h"

namespace {

// The program moves to its own directory before it draws anything, so a
// relative name is taken from where it was started.
std::string FromStartDir(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace r7n;
  const sim::SimOptionsResult options = sim::ParseSimOptions(argc, argv);
  switch (options.kind) {
    case sim::SimOptionsResult::Kind::kHelp:
      std::fputs(sim::SimUsage().c_str(), stdout);
      return 0;
    case sim::SimOptionsResult::Kind::kVersion:
      std::fputs(sim::SimVersion().c_str(), stdout);
      return 0;
    case sim::SimOptionsResult::Kind::kError:
      std::fprintf(stderr, "%s\nTry 'r7n_uart_sim --help'.\n", options.error.c_str());
      return 2;
    case sim::SimOptionsResult::Kind::kRun:
      break;
  }
  RealClock clock;
  // Nobody inspects the lines here, and a day of traffic would fill memory.
  sim::ChassisConfig config = options.config;
  config.keep_line_history = false;
  sim::Chassis chassis(clock, config);
  BusPacedPortIo bus(chassis, clock);
  return RunOnTerminal(bus, clock, argv[0], FromStartDir(options.screen_dump));
}
