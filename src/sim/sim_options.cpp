#include "sim/sim_options.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace r7n::sim {
namespace {

SimOptionsResult Error(std::string message) {
  return {SimOptionsResult::Kind::kError, {}, std::move(message)};
}

std::optional<bool> ParseFitted(std::string_view value) {
  if (value == "fitted") return true;
  if (value == "absent") return false;
  return std::nullopt;
}

// Where a --baseN option stores its value, or null for any other name.
bool* FittedField(std::string_view name, ChassisConfig& config) {
  if (name == "--base1") return &config.base1_fitted;
  if (name == "--base2") return &config.base2_fitted;
  return nullptr;
}

// Reads the value of a --baseN option, given after '=' or as the next argument
// (then i moves past it), into field. Returns the error, if any.
std::optional<std::string> ReadFitted(std::string_view name,
                                      std::optional<std::string_view> inline_value, int argc,
                                      const char* const* argv, int& i, bool& field) {
  std::string_view value;
  if (inline_value) {
    value = *inline_value;
  } else if (i + 1 < argc) {
    value = argv[++i];
  } else {
    return "option " + std::string(name) + " needs a value: fitted or absent";
  }
  const std::optional<bool> fitted = ParseFitted(value);
  if (!fitted) {
    return "invalid value '" + std::string(value) + "' for option " + std::string(name) +
           ": expected fitted or absent";
  }
  field = *fitted;
  return std::nullopt;
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
    bool* field = FittedField(name, result.config);
    if (field == nullptr) {
      if (!arg.starts_with('-')) return Error("unexpected argument '" + std::string(arg) + "'");
      return Error("unknown option " + std::string(name));
    }
    if (auto error = ReadFitted(name, inline_value, argc, argv, i, *field)) return Error(*error);
  }
  return result;
}

std::string SimUsage() {
  return "Usage: r7n_uart_sim [--base1 fitted|absent] [--base2 fitted|absent]\n"
         "Runs the service console against a simulated chassis.\n"
         "\n"
         "  --base1 fitted|absent  whether base unit 1 is fitted (default: fitted)\n"
         "  --base2 fitted|absent  whether base unit 2 is fitted (default: fitted)\n"
         "  --help                 print this help and exit\n"
         "\n"
         "An option's value may also follow an equals sign, as in --base2=absent.\n";
}

}  // namespace r7n::sim
