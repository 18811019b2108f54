#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/console_device.h"
#include "platform/win32/native_handle.h"

namespace r7n {

// What a run of this test program inside a pseudo console gave.
struct PseudoConsoleRun {
  int exit_code = -1;  // -1 when it could not be run, -2 when it hung
  std::string report;  // what the test framework printed there
};

// Runs this test program again, attached to a fresh pseudo console of the
// given size (a console with no window, which the tests can start a
// Win32Console in), once for each named test in turn, all in the same
// console, with the given environment variables set on top of this
// process's. The console tests themselves run only there: see
// InPseudoConsole().
std::vector<PseudoConsoleRun> RunTestsInPseudoConsole(
    WindowSize size, const std::vector<std::string>& test_names,
    const std::vector<std::pair<std::wstring, std::wstring>>& environment = {});

// True in a program started by RunTestsInPseudoConsole.
bool InPseudoConsole();

// The value of an environment variable, empty when unset.
std::string EnvironmentText(const char* name);

// While it lives, standard input and output are the console's own input and
// screen buffer, as they are for a program started in a console window; the
// previous handles come back when it ends.
class ConsoleAsStandardHandles {
 public:
  ConsoleAsStandardHandles();
  ~ConsoleAsStandardHandles();
  ConsoleAsStandardHandles(const ConsoleAsStandardHandles&) = delete;
  ConsoleAsStandardHandles& operator=(const ConsoleAsStandardHandles&) = delete;

  bool Ok() const { return ok_; }
  NativeHandle Input() const { return input_; }
  NativeHandle Output() const { return output_; }

 private:
  NativeHandle previous_input_;
  NativeHandle previous_output_;
  NativeHandle input_;
  NativeHandle output_;
  bool ok_;
};

}  // namespace r7n
