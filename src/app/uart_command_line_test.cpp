#include "app/uart_command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace r7n {
namespace {

struct CommandLineCase {
  std::vector<const char*> args;  // after the program's name
  UartCommandLine::Kind kind;
  const char* error;
  friend void PrintTo(const CommandLineCase& c, std::ostream* os) {
    for (const char* arg : c.args) *os << arg << ' ';
  }
};

class UartCommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(UartCommandLineTest, NamesWhatItAsksFor) {
  std::vector<const char*> argv{"r7n_uart"};
  argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
  const UartCommandLine line = ParseUartCommandLine(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(line.kind, GetParam().kind);
  EXPECT_EQ(line.error, GetParam().error);
}

using Kind = UartCommandLine::Kind;
INSTANTIATE_TEST_SUITE_P(
    Lines, UartCommandLineTest,
    ::testing::Values(CommandLineCase{{}, Kind::kRun, ""},
                      CommandLineCase{{"--help"}, Kind::kHelp, ""},
                      CommandLineCase{{"-h"}, Kind::kHelp, ""},
                      CommandLineCase{{"--version"}, Kind::kVersion, ""},
                      CommandLineCase{{"--verbose"}, Kind::kError, "unknown argument '--verbose'"},
                      CommandLineCase{{"survey", "--json"}, Kind::kVerb, ""},
                      CommandLineCase{
                          {"--help", "--version"}, Kind::kError, "too many arguments"}));

}  // namespace
}  // namespace r7n
