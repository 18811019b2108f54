#include "platform/win32/pseudo_console_run.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace r7n {
namespace {

constexpr wchar_t kInsideVariable[] = L"R7N_IN_PSEUDO_CONSOLE";
// Long enough for Wine to start a process on a slow machine; a test that
// takes longer has hung.
constexpr DWORD kLongestRunMs = 60000;

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  path.resize(length);
  return path;
}

std::wstring Widen(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

// Sets environment variables for as long as it lives; a child started then
// inherits them.
class EnvironmentSet {
 public:
  explicit EnvironmentSet(const std::vector<std::pair<std::wstring, std::wstring>>& variables)
      : variables_(variables) {
    for (const auto& [name, value] : variables_)
      SetEnvironmentVariableW(name.c_str(), value.c_str());
  }
  ~EnvironmentSet() {
    for (const auto& [name, value] : variables_) SetEnvironmentVariableW(name.c_str(), nullptr);
  }
  EnvironmentSet(const EnvironmentSet&) = delete;
  EnvironmentSet& operator=(const EnvironmentSet&) = delete;

 private:
  std::vector<std::pair<std::wstring, std::wstring>> variables_;
};

struct PipePair {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  ~PipePair() {
    if (read != nullptr) CloseHandle(read);
    if (write != nullptr) CloseHandle(write);
  }
};

// The attribute list that attaches a new process to the pseudo console.
class PseudoConsoleAttribute {
 public:
  explicit PseudoConsoleAttribute(HPCON console) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_ = std::make_unique<char[]>(size);
    list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
    ok_ = InitializeProcThreadAttributeList(list_, 1, 0, &size) != 0 &&
          UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE, console,
                                    sizeof console, nullptr, nullptr) != 0;
  }
  ~PseudoConsoleAttribute() { DeleteProcThreadAttributeList(list_); }
  PseudoConsoleAttribute(const PseudoConsoleAttribute&) = delete;
  PseudoConsoleAttribute& operator=(const PseudoConsoleAttribute&) = delete;

  bool Ok() const { return ok_; }
  LPPROC_THREAD_ATTRIBUTE_LIST List() const { return list_; }

 private:
  std::unique_ptr<char[]> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
  bool ok_ = false;
};

HANDLE CreateReportFile(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The test program reports on its standard output and error (the report
// file); its console is the pseudo console, which it opens by name.
int RunAttached(HPCON console, const std::wstring& command_line, HANDLE report) {
  const PseudoConsoleAttribute attribute(console);
  if (!attribute.Ok()) return -1;
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdOutput = report;
  startup.StartupInfo.hStdError = report;
  startup.lpAttributeList = attribute.List();
  std::wstring writable = command_line;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT,
                     nullptr, nullptr, &startup.StartupInfo, &process) == 0) {
    return -1;
  }
  CloseHandle(process.hThread);
  DWORD code = 0;
  if (WaitForSingleObject(process.hProcess, kLongestRunMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    code = static_cast<DWORD>(-2);
  } else {
    GetExitCodeProcess(process.hProcess, &code);
  }
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

PseudoConsoleRun RunTest(HPCON console, const std::string& test_name) {
  PseudoConsoleRun run;
  const std::filesystem::path report_path =
      std::filesystem::temp_directory_path() /
      ("r7n_pseudo_console_" + std::to_string(GetCurrentProcessId()) + ".txt");
  HANDLE report = CreateReportFile(report_path);
  if (report == INVALID_HANDLE_VALUE) return run;
  const std::wstring command_line = L"\"" + OwnPath() + L"\" --gtest_filter=" + Widen(test_name);
  run.exit_code = RunAttached(console, command_line, report);
  CloseHandle(report);
  run.report = ReadWhole(report_path);
  std::filesystem::remove(report_path);
  return run;
}

}  // namespace

std::vector<PseudoConsoleRun> RunTestsInPseudoConsole(
    WindowSize size, const std::vector<std::string>& test_names,
    const std::vector<std::pair<std::wstring, std::wstring>>& environment) {
  std::vector<PseudoConsoleRun> runs(test_names.size());
  PipePair input;
  PipePair output;
  if (CreatePipe(&input.read, &input.write, nullptr, 0) == 0 ||
      CreatePipe(&output.read, &output.write, nullptr, 0) == 0) {
    return runs;
  }
  HPCON console = nullptr;
  const COORD console_size{static_cast<SHORT>(size.cols), static_cast<SHORT>(size.rows)};
  if (FAILED(CreatePseudoConsole(console_size, input.read, output.write, 0, &console))) return runs;
  // The console has its own copies; ours would keep the output pipe open.
  CloseHandle(output.write);
  output.write = nullptr;
  // Whatever the console draws must be read, or it stops and waits.
  std::thread drain([&output] {
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(output.read, buffer, sizeof buffer, &read, nullptr) != 0 && read > 0) {
    }
  });
  {
    auto variables = environment;
    variables.emplace_back(kInsideVariable, L"1");
    const EnvironmentSet set(variables);
    for (std::size_t i = 0; i < test_names.size(); ++i) runs[i] = RunTest(console, test_names[i]);
  }
  ClosePseudoConsole(console);
  drain.join();
  return runs;
}

bool InPseudoConsole() {
  return EnvironmentText("R7N_IN_PSEUDO_CONSOLE") == "1";
}

std::string EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

ConsoleAsStandardHandles::ConsoleAsStandardHandles()
    : previous_input_(GetStdHandle(STD_INPUT_HANDLE)),
      previous_output_(GetStdHandle(STD_OUTPUT_HANDLE)),
      input_(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)),
      output_(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)) {
  DWORD mode = 0;
  ok_ = input_ != INVALID_HANDLE_VALUE && output_ != INVALID_HANDLE_VALUE &&
        GetConsoleMode(input_, &mode) != 0;
  SetStdHandle(STD_INPUT_HANDLE, input_);
  SetStdHandle(STD_OUTPUT_HANDLE, output_);
}

ConsoleAsStandardHandles::~ConsoleAsStandardHandles() {
  SetStdHandle(STD_INPUT_HANDLE, previous_input_);
  SetStdHandle(STD_OUTPUT_HANDLE, previous_output_);
  if (input_ != INVALID_HANDLE_VALUE) CloseHandle(input_);
  if (output_ != INVALID_HANDLE_VALUE) CloseHandle(output_);
}

}  // namespace r7n
