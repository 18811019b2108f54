#include "sim/sim_options.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "r7n_version.h"

namespace r7n::sim {
namespace {

constexpr int kMaxRxFifo = 65536;
constexpr int kMaxNoiseBytes = 16 * 1024 * 1024;
constexpr std::string_view kBaseExpected =
    "absent, fitted, or four of r7n, tr7n, silent, r7n-shell, tr7n-shell, r7n-noaddr, noise, "
    "text or an endpoint (KIND:...) separated by commas";
constexpr std::string_view kZcpExpected = "built-in or an endpoint (KIND:...)";
constexpr std::string_view kDelayExpected = "a number of milliseconds from 0 to 3600000";
constexpr int kMaxDelayMs = 3'600'000;
constexpr std::string_view kRxFifoExpected = "a number from 1 to 65536";
constexpr std::string_view kBaudExpected = "a positive number of bits per second";
constexpr std::string_view kSeedExpected = "a number from 0 to 18446744073709551615";
constexpr std::string_view kNoiseBytesExpected = "a number from 1 to 16777216";
constexpr std::string_view kFileExpected = "a file name";

SimOptionsResult Error(std::string message) {
  SimOptionsResult result;
  result.kind = SimOptionsResult::Kind::kError;
  result.error = std::move(message);
  return result;
}

std::optional<ModuleKind> ParseKind(std::string_view word) {
  if (word == "r7n") return ModuleKind::kR7n;
  if (word == "tr7n") return ModuleKind::kTr7n;
  if (word == "silent") return ModuleKind::kSilent;
  if (word == "r7n-shell") return ModuleKind::kR7nShell;
  if (word == "tr7n-shell") return ModuleKind::kTr7nShell;
  if (word == "r7n-noaddr") return ModuleKind::kR7nNoAddress;
  if (word == "noise") return ModuleKind::kNoise;
  if (word == "text") return ModuleKind::kText;
  return std::nullopt;
}

// A slot list cut at its commas. A command or path may hold commas too: a
// piece that is neither a module kind nor an endpoint belongs to the endpoint
// before it.
std::vector<std::string_view> SplitSlots(std::string_view value) {
  std::vector<std::string_view> slots;
  bool in_endpoint = false;
  for (;;) {
    const std::size_t comma = value.find(',');
    const std::string_view piece = value.substr(0, comma);
    const bool starts_slot = ParseKind(piece) || LooksLikeEndpoint(piece);
    if (!starts_slot && in_endpoint) {
      const std::string_view& last = slots.back();
      slots.back() = std::string_view(last.data(), last.size() + 1 + piece.size());
    } else {
      slots.push_back(piece);
      in_endpoint = LooksLikeEndpoint(piece);
    }
    if (comma == std::string_view::npos) return slots;
    value.remove_prefix(comma + 1);
  }
}

// "absent", "fitted" (the unit's default modules) or four slots; error says
// what is wrong with an endpoint, when one is.
std::optional<BaseUnitConfig> ParseBase(std::string_view value, const BaseUnitConfig& fitted,
                                        std::string& error) {
  if (value == "absent") return BaseUnitConfig{false, fitted.modules};
  if (value == "fitted") return fitted;
  BaseUnitConfig config{true, {}};
  const std::vector<std::string_view> slots = SplitSlots(value);
  if (slots.size() != config.modules.size()) return std::nullopt;
  for (std::size_t slot = 0; slot < slots.size(); ++slot) {
    if (const std::optional<ModuleKind> kind = ParseKind(slots[slot])) {
      config.modules[slot] = *kind;
      continue;
    }
    if (!LooksLikeEndpoint(slots[slot])) return std::nullopt;
    EndpointParse endpoint = ParseEndpoint(slots[slot]);
    if (!endpoint.where) {
      error = std::move(endpoint.error);
      return std::nullopt;
    }
    config.modules[slot] = ModuleKind::kExternal;
    config.endpoints[slot] = std::move(endpoint.where);
  }
  return config;
}

// Digits only: no sign, no spaces, nothing after the number.
template <typename Number>
std::optional<Number> ParseNumber(std::string_view value, Number low, Number high) {
  Number number = 0;
  if (value.empty() || value.front() < '0' || value.front() > '9') return std::nullopt;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
  if (number < low || number > high) return std::nullopt;
  return number;
}

// One option that takes a value: its name, what a good value looks like, and
// how to store it (false when the value is bad).
// A store may set error to say more precisely what is wrong than expected does.
struct ValueOption {
  std::string_view name;
  std::string_view expected;
  bool (*store)(std::string_view value, SimOptionsResult& options, std::string& error);
};

bool StoreBase(std::string_view value, const BaseUnitConfig& fitted, BaseUnitConfig& base,
               std::string& error) {
  std::optional<BaseUnitConfig> parsed = ParseBase(value, fitted, error);
  if (!parsed) return false;
  // The controller is chosen by its own option, whatever the list says.
  parsed->zcp = base.zcp;
  base = std::move(*parsed);
  return true;
}

bool StoreBase1(std::string_view value, SimOptionsResult& options, std::string& error) {
  return StoreBase(value, ChassisConfig{}.base1, options.config.base1, error);
}

bool StoreBase2(std::string_view value, SimOptionsResult& options, std::string& error) {
  return StoreBase(value, ChassisConfig{}.base2, options.config.base2, error);
}

bool StoreZcp(std::string_view value, BaseUnitConfig& base, std::string& error) {
  if (value == "built-in") {
    base.zcp.reset();
    return true;
  }
  if (!LooksLikeEndpoint(value)) return false;
  EndpointParse endpoint = ParseEndpoint(value);
  if (!endpoint.where) error = std::move(endpoint.error);
  base.zcp = std::move(endpoint.where);
  return base.zcp.has_value();
}

bool StoreZcp1(std::string_view value, SimOptionsResult& options, std::string& error) {
  return StoreZcp(value, options.config.base1, error);
}

bool StoreZcp2(std::string_view value, SimOptionsResult& options, std::string& error) {
  return StoreZcp(value, options.config.base2, error);
}

std::optional<std::int64_t> ParseDelayUs(std::string_view value) {
  const std::optional<int> ms = ParseNumber(value, 0, kMaxDelayMs);
  if (!ms) return std::nullopt;
  return std::int64_t{*ms} * 1000;
}

bool StoreRespawnDelay(std::string_view value, SimOptionsResult& options, std::string&) {
  const std::optional<std::int64_t> us = ParseDelayUs(value);
  if (us) options.config.endpoint_timing.respawn_us = *us;
  return us.has_value();
}

bool StoreReconnectDelay(std::string_view value, SimOptionsResult& options, std::string&) {
  const std::optional<std::int64_t> us = ParseDelayUs(value);
  if (us) options.config.endpoint_timing.reconnect_us = *us;
  return us.has_value();
}

bool StoreEvents(std::string_view value, SimOptionsResult& options, std::string&) {
  if (value.empty()) return false;
  options.events_file = value;
  return true;
}

bool StoreRxFifo(std::string_view value, SimOptionsResult& options, std::string&) {
  const std::optional<int> depth = ParseNumber(value, 1, kMaxRxFifo);
  if (depth) options.config.rx_fifo_depth = *depth;
  return depth.has_value();
}

bool StoreLineBaud(std::string_view value, SimOptionsResult& options, std::string&) {
  const std::optional<int> baud = ParseNumber(value, 1, std::numeric_limits<int>::max());
  if (baud) options.config.line_baud = *baud;
  return baud.has_value();
}

bool StoreNoiseSeed(std::string_view value, SimOptionsResult& options, std::string&) {
  const std::optional<std::uint64_t> seed =
      ParseNumber(value, std::uint64_t{0}, std::numeric_limits<std::uint64_t>::max());
  if (seed) options.config.noise.seed = *seed;
  return seed.has_value();
}

bool StoreNoiseBytes(std::string_view value, SimOptionsResult& options, std::string&) {
  const std::optional<int> bytes = ParseNumber(value, 1, kMaxNoiseBytes);
  if (bytes) options.config.noise.burst_bytes = *bytes;
  return bytes.has_value();
}

bool StoreScreenDump(std::string_view value, SimOptionsResult& options, std::string&) {
  if (value.empty()) return false;
  options.screen_dump = value;
  return true;
}

bool StoreInterfacesPath(std::string_view value, SimOptionsResult& options, std::string&) {
  if (value.empty()) return false;
  options.interfaces_path = value;
  return true;
}

std::string Unreadable(const std::string& path, const char* reason) {
  return "cannot read --interfaces-file '" + path + "': " + reason;
}

// The whole file, or the reason it could not be read.
std::optional<std::string> ReadInterfacesFile(SimOptionsResult& options) {
  const std::string& path = options.interfaces_path;
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return Unreadable(path, std::strerror(EISDIR));
  std::ifstream file(path, std::ios::binary);
  if (!file) return Unreadable(path, std::strerror(errno));
  std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return Unreadable(path, "read error");
  options.config.interfaces_file = std::move(content);
  return std::nullopt;
}

constexpr ValueOption kValueOptions[] = {
    {"--base1", kBaseExpected, StoreBase1},
    {"--base2", kBaseExpected, StoreBase2},
    {"--rx-fifo", kRxFifoExpected, StoreRxFifo},
    {"--line-baud", kBaudExpected, StoreLineBaud},
    {"--noise-seed", kSeedExpected, StoreNoiseSeed},
    {"--noise-bytes", kNoiseBytesExpected, StoreNoiseBytes},
    {"--screen-dump", kFileExpected, StoreScreenDump},
    {"--interfaces-file", kFileExpected, StoreInterfacesPath},
    {"--zcp1", kZcpExpected, StoreZcp1},
    {"--zcp2", kZcpExpected, StoreZcp2},
    {"--respawn-delay", kDelayExpected, StoreRespawnDelay},
    {"--reconnect-delay", kDelayExpected, StoreReconnectDelay},
    {"--events", kFileExpected, StoreEvents},
};

const ValueOption* FindOption(std::string_view name) {
  for (const ValueOption& option : kValueOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// Reads an option's value, given after '=' or as the next argument (then i
// moves past it), into options. Returns the error, if any.
std::optional<std::string> ReadValue(const ValueOption& option,
                                     std::optional<std::string_view> inline_value, int argc,
                                     const char* const* argv, int& i, SimOptionsResult& options) {
  std::string_view value;
  if (inline_value) {
    value = *inline_value;
  } else if (i + 1 < argc) {
    value = argv[++i];
  } else {
    return "option " + std::string(option.name) + " needs a value: " + std::string(option.expected);
  }
  std::string error;
  if (option.store(value, options, error)) return std::nullopt;
  if (!error.empty()) return "invalid value for option " + std::string(option.name) + ": " + error;
  return "invalid value '" + std::string(value) + "' for option " + std::string(option.name) +
         ": expected " + std::string(option.expected);
}

}  // namespace

SimOptionsResult ParseSimOptions(int argc, const char* const* argv) {
  SimOptionsResult result;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    std::optional<std::string_view> inline_value;
    if (equals != std::string_view::npos) inline_value = arg.substr(equals + 1);

    if (name == "--trace-bytes") {
      if (inline_value) return Error("option --trace-bytes takes no value");
      result.config.trace_bytes = true;
      continue;
    }
    if (name == "--help" || name == "-h" || name == "--version") {
      if (inline_value) return Error("option " + std::string(name) + " takes no value");
      result.kind =
          name == "--version" ? SimOptionsResult::Kind::kVersion : SimOptionsResult::Kind::kHelp;
      return result;
    }
    if (!arg.starts_with('-')) {
      result.verb_args.assign(argv + i, argv + argc);
      break;
    }
    const ValueOption* option = FindOption(name);
    if (option == nullptr) return Error("unknown option " + std::string(name));
    if (auto error = ReadValue(*option, inline_value, argc, argv, i, result)) {
      return Error(*error);
    }
  }
  if (!result.interfaces_path.empty()) {
    if (auto error = ReadInterfacesFile(result)) return Error(*error);
  }
  return result;
}

std::string SimUsage() {
  return SimVersion() +
         "Usage: r7n_uart_sim [--base1 LIST|absent] [--base2 LIST|absent] [--rx-fifo N]\n"
         "                    [--line-baud N] [--noise-seed N] [--noise-bytes N]\n"
         "                    [--screen-dump FILE] [--interfaces-file FILE]\n"
         "                    [--zcp1 ENDPOINT] [--zcp2 ENDPOINT] [--events FILE]\n"
         "                    [--respawn-delay MS] [--reconnect-delay MS] [--trace-bytes]\n"
         "Runs the service console against a simulated chassis.\n"
         "\n"
         "  --base1 LIST|absent  what base unit 1 holds (default: r7n,r7n,r7n,r7n)\n"
         "  --base2 LIST|absent  what base unit 2 holds (default: tr7n,tr7n,tr7n,tr7n)\n"
         "  --rx-fifo N          depth of each UART's receive FIFO, 1 to 65536 (default: 128)\n"
         "  --line-baud N        bit rate of the ZCP controllers and modules (default: 115200)\n"
         "  --noise-seed N       seed of the noise modules' byte stream (default: 1)\n"
         "  --noise-bytes N      bytes a noise or text module sends for each CR,\n"
         "                       1 to 16777216 (default: 65536)\n"
         "  --screen-dump FILE   keep a copy of the screen in FILE as UTF-8 text, one line\n"
         "                       per row, rewritten whenever the screen changes\n"
         "  --interfaces-file FILE  every module starts with FILE as its\n"
         "                       /etc/network/interfaces (default: a short file with\n"
         "                       the address of the module's position)\n"
         "  --zcp1 ENDPOINT      a real controller on base unit 1's channel 0 instead of\n"
         "                       the built-in one (built-in for the default)\n"
         "  --zcp2 ENDPOINT      the same for base unit 2\n"
         "  --events FILE        log with times what happens to the slots that hold\n"
         "                       endpoints (opened, refused, dropped, restarted)\n"
         "  --trace-bytes        the events log shows the bytes that cross each way too\n"
         "  --respawn-delay MS   pause before an exec: program that ended is started\n"
         "                       again (default: 1000)\n"
         "  --reconnect-delay MS pause before an endpoint that is down is tried again\n"
         "                       (default: 500)\n"
         "  --help               print this help and exit\n"
         "  --version            print the program's name and version and exit\n"
         "\n"
         "LIST names the modules in slots A to D, four kinds separated by commas:\n"
         "  r7n, tr7n      R7N or Tr7N software at its login screen\n"
         "  r7n-shell, tr7n-shell  already logged in, at the root shell prompt\n"
         "  r7n-noaddr     R7N software whose network settings name no address\n"
         "  noise          silent until it hears a CR, then a burst of random bytes\n"
         "                 and terminal control sequences\n"
         "  text           silent until it hears a CR, then a burst of numbered text\n"
         "                 lines (0000000n the quick brown fox ...) with CR LF ends\n"
         "  silent         no module, or one that is powered off\n"
         "A slot may also hold a real console, an endpoint:\n"
         "  pty:LINK       a pseudo-terminal; LINK becomes a link to its other side\n"
         "  unix:PATH      a stream socket to connect to (a virtual machine's console)\n"
         "  tcp:HOST:PORT  the same over TCP (a serial-to-network server)\n"
         "  serial:DEVICE  a serial port, raw 8N1 at the --line-baud rate\n"
         "  exec:COMMAND   COMMAND run by /bin/sh -c on a pseudo-terminal of its own,\n"
         "                 started again when it ends\n"
         "A comma inside an endpoint stays in it unless a module kind or an endpoint\n"
         "follows it. The endpoint kinds this build offers: " +
         std::string(AvailableEndpointKinds()) +
         "\n"
         "fitted stands for the unit's default list, absent for no base unit.\n"
         "An option's value may also follow an equals sign, as in --base2=absent.\n";
}

std::string SimVersion() {
  return "r7n_uart_sim " + std::string(kR7nVersion) + "\n";
}

}  // namespace r7n::sim
