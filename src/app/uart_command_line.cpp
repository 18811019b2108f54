#include "app/uart_command_line.h"

#include <string_view>

#include "r7n_version.h"

namespace r7n {

UartCommandLine ParseUartCommandLine(int argc, const char* const* argv) {
  if (argc <= 1) return {};
  const std::string_view first = argv[1];
  if (!first.starts_with('-')) {
    return {UartCommandLine::Kind::kVerb, {}, std::vector<std::string>(argv + 1, argv + argc)};
  }
  if (argc > 2) return {UartCommandLine::Kind::kError, "too many arguments", {}};
  if (first == "--help" || first == "-h") return {UartCommandLine::Kind::kHelp, {}, {}};
  if (first == "--version") return {UartCommandLine::Kind::kVersion, {}, {}};
  return {UartCommandLine::Kind::kError, "unknown argument '" + std::string(first) + "'", {}};
}

std::string UartUsage() {
  return UartVersion() +
         "Usage: r7n_uart [--help | --version]\n"
         "       r7n_uart VERB [options]\n"
         "Runs the service console on the chassis, through the I/O ports, or one verb\n"
         "for a script. One program at a time drives a chassis: a second one is refused.\n"
         "\n"
         "  --help     print this help and exit, without touching the ports\n"
         "  --version  print the version and exit, without touching the ports\n";
}

std::string UartVersion() {
  return "r7n_uart " + std::string(kR7nVersion) + "\n";
}

}  // namespace r7n
