#include "platform/win32/win32_shell.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/win32/console_input.h"
#include "platform/win32/ctrl_events.h"

namespace r7n {
namespace {

constexpr std::wstring_view kInterpreterName = L"cmd.exe";

// Characters that make the interpreter split a command or act on it.
constexpr std::string_view kInterpreterSpecials = " \t&|<>^()%!,;=\"";

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int wide_length = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wide_length);
  return wide;
}

std::wstring EnvironmentVariable(const wchar_t* name) {
  const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
  if (length == 0) return {};
  std::wstring value(length, L'\0');
  const DWORD copied = GetEnvironmentVariableW(name, value.data(), length);
  value.resize(copied < length ? copied : 0);
  return value;
}

std::wstring SystemDirectory() {
  wchar_t path[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(path, length);
}

int WaitForExit(HANDLE process) {
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(process, &code) == 0) return -1;
  return static_cast<int>(code);
}

bool IsConsoleInput(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

void WriteAll(HANDLE out, std::string_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    const auto length = static_cast<DWORD>(text.size());
    if (WriteFile(out, text.data(), length, &written, nullptr) == 0 || written == 0) return;
    text.remove_prefix(written);
  }
}

void ReadLine(HANDLE in) {
  char c = 0;
  for (;;) {
    DWORD read = 0;
    if (ReadFile(in, &c, 1, &read, nullptr) == 0 || read == 0) return;
    if (c == '\n' || c == '\r') return;
  }
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

}  // namespace

std::wstring ChooseInterpreter(std::wstring_view comspec, std::wstring_view system_dir) {
  if (!comspec.empty()) return std::wstring(comspec);
  if (system_dir.empty()) return std::wstring(kInterpreterName);
  std::wstring path(system_dir);
  if (path.back() != L'\\') path += L'\\';
  return path + std::wstring(kInterpreterName);
}

std::wstring CommandInterpreter() {
  return ChooseInterpreter(EnvironmentVariable(L"ComSpec"), SystemDirectory());
}

std::wstring ProgramCommand(std::string_view name) {
  const std::wstring wide = Widen(name);
  if (name.find_first_of(kInterpreterSpecials) == std::string_view::npos) return wide;
  return L"\"\"" + wide + L"\"\"";
}

std::wstring InterpreterCommandLine(std::wstring_view interpreter, std::wstring_view command) {
  return L"\"" + std::wstring(interpreter) + L"\" /c " + std::wstring(command);
}

int RunCommandLine(const std::wstring& command_line) {
  const CtrlLeftToChild left_to_child;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // CreateProcessW may write into the command line it is given.
  std::wstring writable = command_line;
  if (CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process) == 0) {
    return -1;
  }
  CloseHandle(process.hThread);
  const int status = WaitForExit(process.hProcess);
  CloseHandle(process.hProcess);
  return status;
}

int RunProgramThroughInterpreter(std::string_view name) {
  return RunCommandLine(InterpreterCommandLine(CommandInterpreter(), ProgramCommand(name)));
}

std::string ChildEndNotice(std::string_view name, int status) {
  if (status == 0) return {};
  std::string text(name);
  if (status == -1) return text + " could not be started; press Enter to return";
  const std::string shown =
      status < 0 ? Hex(static_cast<unsigned>(status)) : std::to_string(status);
  return text + " ended with status " + shown + "; press Enter to return";
}

void WaitForEnterKey(NativeHandle console_input) {
  for (;;) {
    INPUT_RECORD record{};
    DWORD read = 0;
    if (ReadConsoleInputW(console_input, &record, 1, &read) == 0 || read == 0) return;
    if (record.EventType != KEY_EVENT) continue;
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    ConsoleKeyRecord plain;
    plain.key_down = key.bKeyDown != 0;
    plain.virtual_key = key.wVirtualKeyCode;
    if (IsEnterPress(plain)) return;
  }
}

void ShowNoticeAndWaitForEnter(std::string_view notice, NativeHandle in, NativeHandle out) {
  const bool console = IsConsoleInput(in);
  if (console) FlushConsoleInputBuffer(in);
  WriteAll(out, "\r\n");
  WriteAll(out, notice);
  if (console) {
    WaitForEnterKey(in);
  } else {
    ReadLine(in);
  }
}

int Win32Shell::Run(const std::string& name) {
  console_.Suspend();
  const int status = RunProgramThroughInterpreter(name);
  const std::string notice = ChildEndNotice(name, status);
  if (!notice.empty()) {
    ShowNoticeAndWaitForEnter(notice, GetStdHandle(STD_INPUT_HANDLE),
                              GetStdHandle(STD_OUTPUT_HANDLE));
  }
  console_.Resume();
  return status;
}

}  // namespace r7n
