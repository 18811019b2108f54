#pragma once

#include <cstdint>
#include <memory>

#include "platform/win32/native_handle.h"

namespace r7n {

// The exit status after Ctrl-C or Ctrl-Break, as a shell reports a program
// that SIGINT ended.
inline constexpr unsigned kCtrlExitStatus = 130;

// How long after a program in the console has ended Ctrl-C and Ctrl-Break
// are still left to it. The system tells every process of the console on a
// thread of its own, and ours may be told only after the program, stopped by
// the very same Ctrl-C, has already gone.
inline constexpr unsigned kCtrlGraceAfterChildMs = 250;

namespace win32 {

// Control events, with the console API's values.
constexpr std::uint32_t kCtrlCEvent = 0;
constexpr std::uint32_t kCtrlBreakEvent = 1;
constexpr std::uint32_t kCtrlCloseEvent = 2;
constexpr std::uint32_t kCtrlLogoffEvent = 5;
constexpr std::uint32_t kCtrlShutdownEvent = 6;

}  // namespace win32

enum class CtrlAction {
  kLeaveToSystem,  // not ours: the next handler, or the system's default
  kIgnore,         // a program in the console takes it
  kEndProcess,
};

// What the control handler does with an event, given whether a program runs
// in the console (or has only just ended).
CtrlAction ActionForCtrlEvent(std::uint32_t event, bool child_in_console);

// The console's settings as the program found them, put back when it ends.
struct ConsoleSettings {
  NativeHandle input = nullptr;
  std::uint32_t input_mode = 0;
  NativeHandle output = nullptr;
  std::uint32_t cursor_size = 25;
  bool cursor_visible = true;
};

// Puts the input mode and the cursor back as they were; the screen's content
// stays as it is.
void RestoreConsoleSettings(const ConsoleSettings& settings);

// While it lives, Ctrl-C and Ctrl-Break end the process at once with
// kCtrlExitStatus: the console's settings are put back first, as the shell
// that runs next needs them, and nothing else is done (the screen stays as it
// is, no message).
class CtrlEndsProcess {
 public:
  // Null when the handler cannot be installed. Only one may live at a time.
  static std::unique_ptr<CtrlEndsProcess> Install(const ConsoleSettings& original);
  static bool Installed();

  ~CtrlEndsProcess();
  CtrlEndsProcess(const CtrlEndsProcess&) = delete;
  CtrlEndsProcess& operator=(const CtrlEndsProcess&) = delete;

 private:
  CtrlEndsProcess() = default;
};

// While it lives, Ctrl-C and Ctrl-Break are left to the program running in
// the console (which gets them too and ends): the operator stops that
// program, not this one. Nests. They stay with the program for
// kCtrlGraceAfterChildMs after the last guard has gone.
class CtrlLeftToChild {
 public:
  CtrlLeftToChild();
  ~CtrlLeftToChild();
  CtrlLeftToChild(const CtrlLeftToChild&) = delete;
  CtrlLeftToChild& operator=(const CtrlLeftToChild&) = delete;
};

}  // namespace r7n
