#include "platform/win32/win32_shell.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace r7n {
namespace {

namespace fs = std::filesystem;

std::wstring Interpreter() {
  return CommandInterpreter();
}

int RunThroughInterpreter(const std::wstring& command) {
  return RunCommandLine(InterpreterCommandLine(Interpreter(), command));
}

TEST(RunCommandLine, GivesTheInterpretersExitStatus) {
  struct Case {
    const wchar_t* command;
    int status;
  };
  const Case cases[] = {
      {L"exit 0", 0},          {L"exit 3", 3},
      {L"exit 255", 255},      {L"exit 70000", 70000},  // not cut to a byte, unlike a POSIX status
      {L"exit 1 & exit 5", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunThroughInterpreter(c.command), c.status) << std::string(c.command, c.command + 4);
  }
}

TEST(RunCommandLine, GivesMinusOneWhenNothingCanBeStarted) {
  EXPECT_EQ(RunCommandLine(L"\"C:\\r7n-nowhere\\cmd.exe\" /c exit 0"), -1);
  EXPECT_EQ(RunCommandLine(L""), -1);
}

TEST(ChooseInterpreter, TakesComSpecThenTheSystemDirectorysCmd) {
  struct Case {
    const wchar_t* comspec;
    const wchar_t* system_dir;
    const wchar_t* interpreter;
  };
  const Case cases[] = {
      {L"D:\\tools\\tcc.exe", L"C:\\Windows\\system32", L"D:\\tools\\tcc.exe"},
      {L"", L"C:\\Windows\\system32", L"C:\\Windows\\system32\\cmd.exe"},
      {L"", L"C:\\", L"C:\\cmd.exe"},
      {L"", L"", L"cmd.exe"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseInterpreter(c.comspec, c.system_dir), c.interpreter);
  }
}

// Sets ComSpec for as long as it lives (null: unset), then puts it back.
class ComSpecSet {
 public:
  explicit ComSpecSet(const wchar_t* value) {
    wchar_t buffer[MAX_PATH] = {};
    had_ = GetEnvironmentVariableW(L"ComSpec", buffer, MAX_PATH) > 0;
    previous_ = buffer;
    SetEnvironmentVariableW(L"ComSpec", value);
  }
  ~ComSpecSet() { SetEnvironmentVariableW(L"ComSpec", had_ ? previous_.c_str() : nullptr); }
  ComSpecSet(const ComSpecSet&) = delete;
  ComSpecSet& operator=(const ComSpecSet&) = delete;

 private:
  bool had_ = false;
  std::wstring previous_;
};

TEST(CommandInterpreter, ReadsComSpecFromTheEnvironment) {
  {
    const ComSpecSet set(L"D:\\tools\\tcc.exe");
    EXPECT_EQ(CommandInterpreter(), L"D:\\tools\\tcc.exe");
  }
  const ComSpecSet unset(nullptr);
  wchar_t system_dir[MAX_PATH] = {};
  GetSystemDirectoryW(system_dir, MAX_PATH);
  EXPECT_EQ(CommandInterpreter(), std::wstring(system_dir) + L"\\cmd.exe");
}

TEST(ProgramCommand, QuotesOnlyANameTheInterpreterWouldSplitOrActOn) {
  struct Case {
    const char* name;
    const wchar_t* command;
  };
  const Case cases[] = {
      {"GP.EXE", L"GP.EXE"},
      {"tools\\gp-2.exe", L"tools\\gp-2.exe"},
      {"my tool.bat", L"\"\"my tool.bat\"\""},
      {"a&b.exe", L"\"\"a&b.exe\"\""},
      {"x(1).exe", L"\"\"x(1).exe\"\""},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgramCommand(c.name), c.command) << c.name;
}

TEST(InterpreterCommandLine, QuotesTheInterpreterAndPassesTheCommandAfterSlashC) {
  EXPECT_EQ(InterpreterCommandLine(L"C:\\Program Files\\cmd.exe", L"GP.EXE"),
            L"\"C:\\Program Files\\cmd.exe\" /c GP.EXE");
}

// A fresh directory of its own made the working directory for one test; the
// previous one comes back, and the directory goes, when the test ends.
class InFreshDirectory {
 public:
  InFreshDirectory()
      : previous_(fs::current_path()),
        path_(fs::temp_directory_path() / ("r7n_shell_" + std::to_string(GetCurrentProcessId()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
    fs::current_path(path_);
  }
  ~InFreshDirectory() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
  }
  InFreshDirectory(const InFreshDirectory&) = delete;
  InFreshDirectory& operator=(const InFreshDirectory&) = delete;

 private:
  fs::path previous_;
  fs::path path_;
};

fs::path OwnDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

TEST(RunProgramThroughInterpreter, RunsTheWorkingDirectorysProgramWithoutArguments) {
  const InFreshDirectory dir;
  fs::copy_file(OwnDirectory() / "win32_test_child.exe", "GP.EXE");
  // The test program's status for a call without arguments.
  EXPECT_EQ(RunProgramThroughInterpreter("GP.EXE"), 40);
}

TEST(RunProgramThroughInterpreter, RunsANameThatNeedsQuoting) {
  const InFreshDirectory dir;
  std::ofstream("my tool.bat") << "@exit /b 5\n";
  std::ofstream("a&b.bat") << "@exit /b 6\n";
  EXPECT_EQ(RunProgramThroughInterpreter("my tool.bat"), 5);
  EXPECT_EQ(RunProgramThroughInterpreter("a&b.bat"), 6);
}

TEST(RunProgramThroughInterpreter, ProgramFoundNowhereGivesTheInterpretersStatus) {
  const InFreshDirectory dir;
  const std::string name = "r7n-absent-" + std::to_string(GetCurrentProcessId());
  EXPECT_EQ(RunProgramThroughInterpreter(name), 9009);
}

TEST(ChildEndNotice, SaysNothingForACleanEnd) {
  struct Case {
    int status;
    const char* notice;
  };
  const Case cases[] = {
      {0, ""},
      {1, "GP.EXE ended with status 1; press Enter to return"},
      {9009, "GP.EXE ended with status 9009; press Enter to return"},
      {-1, "GP.EXE could not be started; press Enter to return"},
      // Ended by Ctrl-C: the system's exception code.
      {static_cast<int>(0xC000013Au), "GP.EXE ended with status 0xC000013A; press Enter to return"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChildEndNotice("GP.EXE", c.status), c.notice) << c.status;
}

// Both ends of an anonymous pipe, closed when it goes.
struct Pipe {
  Pipe() {
    if (CreatePipe(&read, &write, nullptr, 0) == 0) throw std::runtime_error("CreatePipe failed");
  }
  ~Pipe() {
    if (read != nullptr) CloseHandle(read);
    if (write != nullptr) CloseHandle(write);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  void Write(const std::string& text) const {
    DWORD written = 0;
    WriteFile(write, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  void CloseWriteEnd() {
    CloseHandle(write);
    write = nullptr;
  }
  std::string ReadRest() {
    if (write != nullptr) CloseWriteEnd();
    std::string text;
    char buffer[64];
    DWORD n = 0;
    while (ReadFile(read, buffer, sizeof buffer, &n, nullptr) != 0 && n > 0) text.append(buffer, n);
    return text;
  }
  HANDLE read = nullptr;
  HANDLE write = nullptr;
};

TEST(ShowNoticeAndWaitForEnter, PrintsTheNoticeAndTakesOneLineOfOtherInput) {
  struct Case {
    const char* typed;
    const char* left;
  };
  const Case cases[] = {
      {"abc\r\nnext", "\nnext"},
      {"abc\nnext", "next"},
      {"\rnext", "next"},
      {"", ""},  // the end of the input does not keep it waiting
  };
  for (const Case& c : cases) {
    Pipe in;
    Pipe out;
    in.Write(c.typed);
    in.CloseWriteEnd();
    ShowNoticeAndWaitForEnter("X ended; press Enter", in.read, out.write);
    EXPECT_EQ(out.ReadRest(), "\r\nX ended; press Enter") << c.typed;
    EXPECT_EQ(in.ReadRest(), c.left) << c.typed;
  }
}

}  // namespace
}  // namespace r7n
