#pragma once

#include <string>
#include <string_view>

#include "platform/posix/ncurses_console.h"
#include "platform/shell.h"

namespace r7n {

// Runs a program by name in the same terminal, which the console leaves to it
// until it ends.
class PosixShell : public Shell {
 public:
  explicit PosixShell(NcursesConsole& console) : console_(console) {}

  // Runs the program as RunProgramByName does. The console redraws its screen
  // as soon as the program ends, which would wipe out whatever the shell or
  // the program said about a failure; so after a failure the operator reads
  // the notice and presses Enter before the console comes back.
  int Run(const std::string& name) override;

 private:
  NcursesConsole& console_;
};

// Runs the command with "sh -c" and waits for it. The command's exit status,
// 128 + the signal that ended it, or -1 when it could not be started. Ctrl-C
// and Ctrl-\ go to the command alone while it runs, as they do under
// system(3): the operator stops the command, not the console.
int RunShellCommand(const std::string& command);

// The shell command that runs a program by name as a command interpreter that
// looks in the working directory first would: "./NAME" when the working
// directory holds an executable file of that name, else NAME, which the shell
// looks up on the PATH. The name is quoted, so it is never split or expanded.
std::string ProgramCommandLine(const std::string& name);

// RunShellCommand(ProgramCommandLine(name)); a name found nowhere gives the
// shell's own "not found" message and status 127.
int RunProgramByName(const std::string& name);

// What the operator is told when a program ended with the status, and empty
// for a clean end (status 0), which needs no word.
std::string EndNotice(const std::string& name, int status);

// Writes the notice on a line of its own to out_fd and reads in_fd up to the
// end of a line (or to its end or an error). Keys typed while the program ran
// are dropped first when in_fd is a terminal, so that a stray Enter does not
// answer a notice nobody has read.
void ShowNoticeAndWaitForEnter(std::string_view notice, int in_fd, int out_fd);

}  // namespace r7n
