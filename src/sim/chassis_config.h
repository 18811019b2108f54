#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "sim/endpoint.h"
#include "sim/endpoint_address.h"

namespace r7n::sim {

// What sits in a module slot of a base unit.
enum class ModuleKind {
  kR7n,           // module running the R7N software, at its login screen
  kTr7n,          // module running the Tr7N software, at its login screen
  kSilent,        // no module, or one that is powered off: never answers
  kR7nShell,      // R7N module already logged in, at its root shell prompt
  kTr7nShell,     // Tr7N module already logged in, at its root shell prompt
  kR7nNoAddress,  // R7N module whose network configuration has no address line
  kNoise,         // a console that answers each CR with a burst of random bytes
  kText,          // a console that answers each CR with a burst of numbered text lines
  kExternal,      // a real console behind an endpoint (BaseUnitConfig::endpoints)
};

class SlotEvents;

// What a noise module sends: the stream comes from the seed, and every CR it
// hears sends the next burst_bytes bytes of it. A text module sends bursts of
// the same size.
struct NoiseSettings {
  std::uint64_t seed = 1;
  int burst_bytes = 65536;
};

struct BaseUnitConfig {
  bool fitted = true;
  std::array<ModuleKind, 4> modules{};  // slots A to D
  // The endpoint of each slot whose kind is kExternal.
  std::array<std::optional<EndpointAddress>, 4> endpoints{};
  // A real controller in place of the built-in ZCP controller.
  std::optional<EndpointAddress> zcp{};
};

// Opens the endpoint a slot names; tests hand in endpoints of their own.
using EndpointFactory = std::function<std::unique_ptr<Endpoint>(const EndpointAddress&)>;

// What is plugged into the simulated chassis. The default is the chassis the
// service console is normally used on: both base units fitted, base unit 1
// with R7N modules and base unit 2 with Tr7N modules.
struct ChassisConfig {
  BaseUnitConfig base1{true,
                       {ModuleKind::kR7n, ModuleKind::kR7n, ModuleKind::kR7n, ModuleKind::kR7n}};
  BaseUnitConfig base2{
      true, {ModuleKind::kTr7n, ModuleKind::kTr7n, ModuleKind::kTr7n, ModuleKind::kTr7n}};
  // Low nibble of BoardId on both base units; the high nibble is fixed by the board.
  std::uint8_t board_revision = 1;
  // Depth of each UART's receive FIFO; the count register still stops at 127.
  int rx_fifo_depth = 128;
  // Bit rate of the devices at the far end of the lines. A UART programmed for
  // another rate sees framing errors and garbled bytes.
  int line_baud = 115200;
  // What every module's /etc/network/interfaces holds at the start, in place
  // of the short file the simulator writes for the module's address; for
  // trying a distribution's layout.
  std::optional<std::string> interfaces_file;
  // Shared by every noise module of the chassis.
  NoiseSettings noise{};
  // Whether the lines and UARTs keep every byte that crossed them, for tests
  // to inspect. A long interactive run turns it off: the records grow by a
  // byte for every byte on a line.
  bool keep_line_history = true;
  // For slots that hold real consoles: when to try them again, where to log
  // what happens to them (null for nowhere), and how to open them (empty for
  // this platform's endpoints).
  EndpointTiming endpoint_timing{};
  SlotEvents* events = nullptr;
  bool trace_bytes = false;  // the events log shows the bytes that cross, too
  EndpointFactory make_endpoint{};
};

}  // namespace r7n::sim
