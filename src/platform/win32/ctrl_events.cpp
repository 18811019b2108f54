#include "platform/win32/ctrl_events.h"

#include <windows.h>

#include <atomic>

namespace r7n {
namespace {

// The system runs the control handler on a thread of its own, which can reach
// nothing of the program; what it needs is kept here, the program's only
// mutable global state. It belongs to the one CtrlEndsProcess that lives.
struct CtrlState {
  std::atomic<bool> installed{false};
  ConsoleSettings original;                     // written before the handler is installed
  std::atomic<int> children{0};                 // CtrlLeftToChild guards alive
  std::atomic<ULONGLONG> child_grace_until{0};  // GetTickCount64 time
};
CtrlState g_ctrl;

static_assert(win32::kCtrlCEvent == CTRL_C_EVENT);
static_assert(win32::kCtrlBreakEvent == CTRL_BREAK_EVENT);
static_assert(win32::kCtrlCloseEvent == CTRL_CLOSE_EVENT);
static_assert(win32::kCtrlLogoffEvent == CTRL_LOGOFF_EVENT);
static_assert(win32::kCtrlShutdownEvent == CTRL_SHUTDOWN_EVENT);

bool ChildInConsole() {
  return g_ctrl.children.load() > 0 || GetTickCount64() < g_ctrl.child_grace_until.load();
}

BOOL WINAPI OnCtrlEvent(DWORD event) {
  switch (ActionForCtrlEvent(event, ChildInConsole())) {
    case CtrlAction::kLeaveToSystem:
      return FALSE;
    case CtrlAction::kIgnore:
      return TRUE;
    case CtrlAction::kEndProcess:
      break;
  }
  RestoreConsoleSettings(g_ctrl.original);
  // TerminateProcess rather than ExitProcess: the main thread is stopped
  // wherever it is, possibly holding a lock of the C runtime that the
  // libraries' shutdown code would wait for for ever.
  TerminateProcess(GetCurrentProcess(), kCtrlExitStatus);
  return TRUE;
}

}  // namespace

CtrlAction ActionForCtrlEvent(std::uint32_t event, bool child_in_console) {
  if (event != win32::kCtrlCEvent && event != win32::kCtrlBreakEvent) {
    return CtrlAction::kLeaveToSystem;
  }
  return child_in_console ? CtrlAction::kIgnore : CtrlAction::kEndProcess;
}

void RestoreConsoleSettings(const ConsoleSettings& settings) {
  const CONSOLE_CURSOR_INFO cursor{settings.cursor_size, settings.cursor_visible ? TRUE : FALSE};
  SetConsoleCursorInfo(settings.output, &cursor);
  SetConsoleMode(settings.input, settings.input_mode);
}

std::unique_ptr<CtrlEndsProcess> CtrlEndsProcess::Install(const ConsoleSettings& original) {
  if (g_ctrl.installed.exchange(true)) return nullptr;
  g_ctrl.original = original;
  if (SetConsoleCtrlHandler(OnCtrlEvent, TRUE) == 0) {
    g_ctrl.installed.store(false);
    return nullptr;
  }
  return std::unique_ptr<CtrlEndsProcess>(new CtrlEndsProcess());
}

bool CtrlEndsProcess::Installed() {
  return g_ctrl.installed.load();
}

CtrlEndsProcess::~CtrlEndsProcess() {
  SetConsoleCtrlHandler(OnCtrlEvent, FALSE);
  g_ctrl.installed.store(false);
}

CtrlLeftToChild::CtrlLeftToChild() {
  g_ctrl.children.fetch_add(1);
}

CtrlLeftToChild::~CtrlLeftToChild() {
  g_ctrl.child_grace_until.store(GetTickCount64() + kCtrlGraceAfterChildMs);
  g_ctrl.children.fetch_sub(1);
}

}  // namespace r7n
