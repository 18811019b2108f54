// The service console on the simulated chassis, for use without hardware.

#include <cstdio>

#include "main/run_on_terminal.h"
#include "platform/bus_paced_port_io.h"
#include "platform/real_clock.h"
#include "sim/chassis.h"
#include "sim/sim_options.h"

int main(int argc, char** argv) {
  using namespace r7n;
  const sim::SimOptionsResult options = sim::ParseSimOptions(argc, argv);
  switch (options.kind) {
    case sim::SimOptionsResult::Kind::kHelp:
      std::fputs(sim::SimUsage().c_str(), stdout);
      return 0;
    case sim::SimOptionsResult::Kind::kError:
      std::fprintf(stderr, "%s\nTry 'r7n_uart_sim --help'.\n", options.error.c_str());
      return 2;
    case sim::SimOptionsResult::Kind::kRun:
      break;
  }
  RealClock clock;
  sim::Chassis chassis(clock, options.config);
  BusPacedPortIo bus(chassis, clock);
  return RunOnTerminal(bus, clock, argv[0]);
}
