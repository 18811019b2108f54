// The service console on the simulated chassis, for use without hardware.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

#include "main/run_on_terminal.h"
#include "main/verb_main.h"
#include "platform/bus_paced_port_io.h"
#include "platform/real_clock.h"
#include "sim/catch_up_clock.h"
#include "sim/chassis.h"
#include "sim/sim_options.h"
#include "sim/slot_events.h"
#include "sim/slot_report.h"

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
      std::fputs((sim::SimUsage() + "\n" + VerbUsage()).c_str(), stdout);
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
  std::optional<VerbRequest> verb;
  if (!options.verb_args.empty()) {
    ParsedVerb parsed = ReadVerb(argv[0], options.verb_args);
    if (!parsed.request) return parsed.status;
    verb = parsed.request;
  }
  RealClock clock;
  // Nobody inspects the lines here, and a day of traffic would fill memory.
  sim::ChassisConfig config = options.config;
  config.keep_line_history = false;
  std::ofstream events_file;
  std::optional<sim::SlotEvents> events;
  if (!options.events_file.empty()) {
    events_file.open(options.events_file, std::ios::out | std::ios::app);
    if (!events_file) {
      std::fprintf(stderr, "cannot open the events file %s\n", options.events_file.c_str());
      return 2;
    }
    events.emplace(events_file);
    config.events = &*events;
  }
  int status = 0;
  {
    sim::Chassis chassis(clock, config);
    sim::CatchUpClock program_clock(clock, chassis);
    BusPacedPortIo bus(chassis, program_clock);
    status = verb ? RunVerbOnPorts(bus, program_clock, argv[0], *verb)
                  : RunOnTerminal(bus, program_clock, argv[0], FromStartDir(options.screen_dump));
    for (const std::string& line : sim::ExternalSlotReport(chassis)) {
      std::fprintf(stderr, "%s\n", line.c_str());
    }
  }  // the chassis closes its endpoints and ends their programs here
  return status;
}
