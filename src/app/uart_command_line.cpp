#include "app/uart_command_line.h"

#include <string_view>

#include "r7n_version.h"

namespace r7n {

UartCommandLine ParseUartCommandLine(int argc, const char* const* argv) {
  if (argc <= 1) return {};
  const std::string_view first = argv[1];
  if (argc > 2) return {UartCommandLine::Kind::kError, "too many arguments"};
  if (first == "--help" || first == "-h") return {UartCommandLine::Kind::kHelp, {}};
  if (first == "--version") return {UartCommandLine::Kind::kVersion, {}};
  return {UartCommandLine::Kind::kError, "unknown argument '" + std::string(first) + "'"};
}

std::string UartUsage() {
  return UartVersion() +
         "Usage: r7n_uart [--help | --version]\n"
         "Runs the service console on the chassis, through the I/O ports.\n"
         "\n"
         "  --help     print this help and exit, without touching the ports\n"
         "  --version  print the version and exit, without touching the ports\n";
}

std::string UartVersion() {
  return "r7n_uart " + std::string(kR7nVersion) + "\n";
}

}  // namespace r7n
