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

namespace r7n::sim {
namespace {

constexpr int kMaxRxFifo = 65536;
constexpr int kMaxNoiseBytes = 16 * 1024 * 1024;
constexpr std::string_view kBaseExpected =
    "absent, fitted, or four of r7n, tr7n, silent, r7n-shell, tr7n-shell, r7n-noaddr, noise, "
    "text separated by commas";
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

// "absent", "fitted" (the unit's default modules) or four module kinds.
std::optional<BaseUnitConfig> ParseBase(std::string_view value, const BaseUnitConfig& fitted) {
  if (value == "absent") return BaseUnitConfig{false, fitted.modules};
  if (value == "fitted") return fitted;
  BaseUnitConfig config{true, {}};
  std::size_t slots = 0;
  for (;;) {
    const std::size_t comma = value.find(',');
    const std::optional<ModuleKind> kind = ParseKind(value.substr(0, comma));
    if (!kind || slots == config.modules.size()) return std::nullopt;
    config.modules[slots++] = *kind;
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  if (slots != config.modules.size()) return std::nullopt;
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
struct ValueOption {
  std::string_view name;
  std::string_view expected;
  bool (*store)(std::string_view value, SimOptionsResult& options);
};

bool StoreBase1(std::string_view value, SimOptionsResult& options) {
  const std::optional<BaseUnitConfig> base = ParseBase(value, ChassisConfig{}.base1);
  if (base) options.config.base1 = *base;
  return base.has_value();
}

bool StoreBase2(std::string_view value, SimOptionsResult& options) {
  const std::optional<BaseUnitConfig> base = ParseBase(value, ChassisConfig{}.base2);
  if (base) options.config.base2 = *base;
  return base.has_value();
}

bool StoreRxFifo(std::string_view value, SimOptionsResult& options) {
  const std::optional<int> depth = ParseNumber(value, 1, kMaxRxFifo);
  if (depth) options.config.rx_fifo_depth = *depth;
  return depth.has_value();
}

bool StoreLineBaud(std::string_view value, SimOptionsResult& options) {
  const std::optional<int> baud = ParseNumber(value, 1, std::numeric_limits<int>::max());
  if (baud) options.config.line_baud = *baud;
  return baud.has_value();
}

bool StoreNoiseSeed(std::string_view value, SimOptionsResult& options) {
  const std::optional<std::uint64_t> seed =
      ParseNumber(value, std::uint64_t{0}, std::numeric_limits<std::uint64_t>::max());
  if (seed) options.config.noise.seed = *seed;
  return seed.has_value();
}

bool StoreNoiseBytes(std::string_view value, SimOptionsResult& options) {
  const std::optional<int> bytes = ParseNumber(value, 1, kMaxNoiseBytes);
  if (bytes) options.config.noise.burst_bytes = *bytes;
  return bytes.has_value();
}

bool StoreScreenDump(std::string_view value, SimOptionsResult& options) {
  if (value.empty()) return false;
  options.screen_dump = value;
  return true;
}

bool StoreInterfacesPath(std::string_view value, SimOptionsResult& options) {
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
  if (option.store(value, options)) return std::nullopt;
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

    if (name == "--help" || name == "-h") {
      if (inline_value) return Error("option " + std::string(name) + " takes no value");
      result.kind = SimOptionsResult::Kind::kHelp;
      return result;
    }
    const ValueOption* option = FindOption(name);
    if (option == nullptr) {
      if (!arg.starts_with('-')) return Error("unexpected argument '" + std::string(arg) + "'");
      return Error("unknown option " + std::string(name));
    }
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
  return "Usage: r7n_uart_sim [--base1 LIST|absent] [--base2 LIST|absent] [--rx-fifo N]\n"
         "                    [--line-baud N] [--noise-seed N] [--noise-bytes N]\n"
         "                    [--screen-dump FILE] [--interfaces-file FILE]\n"
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
         "  --help               print this help and exit\n"
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
         "fitted stands for the unit's default list, absent for no base unit.\n"
         "An option's value may also follow an equals sign, as in --base2=absent.\n";
}

}  // namespace r7n::sim
