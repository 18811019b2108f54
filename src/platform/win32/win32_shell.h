#pragma once

#include <string>
#include <string_view>

#include "platform/shell.h"
#include "platform/win32/native_handle.h"
#include "platform/win32/win32_console.h"

namespace r7n {

// Runs a program by name through the command interpreter in the same console,
// which the console leaves to it until it ends.
class Win32Shell : public Shell {
 public:
  explicit Win32Shell(Win32Console& console) : console_(console) {}

  // Runs the program as RunProgramThroughInterpreter does. The console
  // redraws its screen as soon as the program ends, which would wipe out
  // whatever the interpreter or the program said about a failure; so after a
  // failure the operator reads the notice and presses Enter first.
  int Run(const std::string& name) override;

 private:
  Win32Console& console_;
};

// The command interpreter to use: the one %ComSpec% names, else cmd.exe in
// the system directory, else cmd.exe wherever the system finds it.
std::wstring ChooseInterpreter(std::wstring_view comspec, std::wstring_view system_dir);

// ChooseInterpreter with this process's %ComSpec% and system directory.
std::wstring CommandInterpreter();

// What follows "/c" to run the program by name: the name itself, or the name
// in quotes, quoted once more because the interpreter strips the outer pair,
// when it holds a space or a character the interpreter would act on.
std::wstring ProgramCommand(std::string_view name);

// The process command line that has the interpreter run the command and end.
std::wstring InterpreterCommandLine(std::wstring_view interpreter, std::wstring_view command);

// Starts the command line in this console and working directory and waits
// for it to end. Its exit status, or -1 when it could not be started. Ctrl-C
// and Ctrl-Break go to the program alone while it runs: the operator stops
// it, not the console.
int RunCommandLine(const std::wstring& command_line);

// RunCommandLine of the interpreter running ProgramCommand(name); a name found
// nowhere gives the interpreter's own message and its status for it (9009).
int RunProgramThroughInterpreter(std::string_view name);

// What the operator is told when a program ended with the status, and empty
// for a clean end (status 0), which needs no word. Statuses of 0x80000000 and
// up (negative here) are the system's exception codes, shown in hex.
std::string ChildEndNotice(std::string_view name, int status);

// Writes the notice on a line of its own to out and waits for Enter on in.
// On a console, keys typed while the program ran are dropped first, so that
// a stray Enter does not answer a notice nobody has read; any other input is
// read up to the end of a line (or to its end or an error).
void ShowNoticeAndWaitForEnter(std::string_view notice, NativeHandle in, NativeHandle out);

// Reads console input events until Enter goes down; the events after it stay
// waiting.
void WaitForEnterKey(NativeHandle console_input);

}  // namespace r7n
