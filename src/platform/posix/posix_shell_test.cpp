#include "platform/posix/posix_shell.h"

#include <gtest/gtest.h>
#include <signal.h>

namespace r7n {
namespace {

TEST(RunShellCommand, GivesTheExitStatusOrTheSignalThatEndedTheCommand) {
  struct Case {
    const char* command;
    int status;
  };
  const Case cases[] = {
      {"true", 0},
      {"exit 7", 7},
      {"false; exit 255", 255},
      {"/nonexistent/program 2>/dev/null", 127},  // the shell's "not found"
      {"kill -TERM $$", 128 + SIGTERM},
      // The command must get Ctrl-C's default action back although the
      // console ignores it while the command runs.
      {"kill -INT $$", 128 + SIGINT},
  };
  for (const Case& c : cases) EXPECT_EQ(RunShellCommand(c.command), c.status) << c.command;
}

TEST(RunShellCommand, PassesTheWholeCommandLineToTheShell) {
  EXPECT_EQ(RunShellCommand("test \"a b\" = 'a b' && exit 3"), 3);
}

void CountingHandler(int) {}

TEST(RunShellCommand, PutsTheConsolesOwnInterruptHandlerBack) {
  struct sigaction own {};
  own.sa_handler = CountingHandler;
  sigemptyset(&own.sa_mask);
  struct sigaction saved {};
  ASSERT_EQ(::sigaction(SIGINT, &own, &saved), 0);

  EXPECT_EQ(RunShellCommand("exit 0"), 0);

  struct sigaction now {};
  ::sigaction(SIGINT, nullptr, &now);
  ::sigaction(SIGINT, &saved, nullptr);
  EXPECT_EQ(now.sa_handler, &CountingHandler);
}

}  // namespace
}  // namespace r7n
