#pragma once

#include <string>

#include "platform/posix/ncurses_console.h"
#include "platform/shell.h"

namespace r7n {

// Runs a command through /bin/sh in the same terminal, which the console
// leaves to it until it ends.
class PosixShell : public Shell {
 public:
  explicit PosixShell(NcursesConsole& console) : console_(console) {}

  // The command's exit status, 128 + the signal that ended it, or -1 when it
  // could not be started.
  int Run(const std::string& command) override;

 private:
  NcursesConsole& console_;
};

// Runs the command with "sh -c" and waits for it; the status as PosixShell::Run
// gives it. Ctrl-C and Ctrl-\ go to the command alone while it runs, as they
// do under system(3): the operator stops the command, not the console.
int RunShellCommand(const std::string& command);

}  // namespace r7n
