#include "platform/posix/posix_shell.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

namespace r7n {
namespace {

namespace fs = std::filesystem;

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

// A fresh directory of its own made the working directory for one test; the
// previous one comes back, and the directory goes, when the test ends.
class InFreshDirectory {
 public:
  InFreshDirectory() : previous_(fs::current_path()) {
    std::string pattern = (fs::temp_directory_path() / "r7n_shell_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
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

void WriteScript(const std::string& name, const std::string& body, bool executable) {
  std::ofstream(name) << "#!/bin/sh\n" << body << "\n";
  if (executable) fs::permissions(name, fs::perms::owner_all, fs::perm_options::replace);
}

TEST(ProgramCommandLine, TakesTheWorkingDirectorysExecutableFirst) {
  const InFreshDirectory dir;
  WriteScript("tool", "exit 0", true);
  WriteScript("plain", "exit 0", false);
  fs::create_directory("folder");
  struct Case {
    const char* name;
    const char* command;
  };
  const Case cases[] = {
      {"tool", "'./tool'"},
      {"plain", "'plain'"},    // not executable: left to the PATH
      {"folder", "'folder'"},  // a directory is no program
      {"absent", "'absent'"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgramCommandLine(c.name), c.command) << c.name;
}

TEST(ProgramCommandLine, QuotesTheNameWhole) {
  EXPECT_EQ(ProgramCommandLine("it's $HOME"), "'it'\\''s $HOME'");
}

TEST(RunProgramByName, RunsTheWorkingDirectorysProgramBeforeThePaths) {
  const InFreshDirectory dir;
  WriteScript("true", "exit 7", true);
  WriteScript("my tool's", "exit 5", true);
  WriteScript("false", "exit 9", false);
  EXPECT_EQ(RunProgramByName("true"), 7) << "./true comes before the PATH's true";
  EXPECT_EQ(RunProgramByName("my tool's"), 5);
  EXPECT_EQ(RunProgramByName("false"), 1) << "a file that is not executable is passed over";
}

TEST(RunProgramByName, FallsBackToThePath) {
  const InFreshDirectory dir;
  EXPECT_EQ(RunProgramByName("true"), 0);
  EXPECT_EQ(RunProgramByName("false"), 1);
}

// Sends the standard error of the process to a file while it lives.
class StderrToFile {
 public:
  explicit StderrToFile(const std::string& path) : saved_(::dup(STDERR_FILENO)) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
  }
  ~StderrToFile() {
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }
  StderrToFile(const StderrToFile&) = delete;
  StderrToFile& operator=(const StderrToFile&) = delete;

 private:
  int saved_;
};

TEST(RunProgramByName, ProgramFoundNowhereGives127AndTheShellsMessage) {
  const InFreshDirectory dir;
  const std::string name = "r7n-absent-" + std::to_string(::getpid());
  int status = 0;
  {
    const StderrToFile capture("stderr.txt");
    status = RunProgramByName(name);
  }
  EXPECT_EQ(status, 127);
  std::ifstream in("stderr.txt");
  const std::string said{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(said.find(name), std::string::npos) << said;
}

TEST(EndNotice, SaysNothingForACleanEnd) {
  struct Case {
    int status;
    const char* notice;
  };
  const Case cases[] = {
      {0, ""},
      {1, "GP.EXE ended with status 1; press Enter to return"},
      {127, "GP.EXE ended with status 127; press Enter to return"},
      {128 + SIGINT, "GP.EXE ended with status 130; press Enter to return"},
      {-1, "GP.EXE could not be started; press Enter to return"},
  };
  for (const Case& c : cases) EXPECT_EQ(EndNotice("GP.EXE", c.status), c.notice) << c.status;
}

// Both ends of a pipe, closed when it goes.
struct Pipe {
  Pipe() {
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  }
  ~Pipe() {
    for (int fd : fds) {
      if (fd >= 0) ::close(fd);
    }
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  void Write(const std::string& text) const {
    ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void CloseWriteEnd() {
    ::close(fds[1]);
    fds[1] = -1;
  }
  std::string ReadRest() {
    CloseWriteEnd();
    std::string text;
    char buffer[64];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }
  int fds[2] = {-1, -1};
};

TEST(ShowNoticeAndWaitForEnter, PrintsTheNoticeAndTakesOneLine) {
  struct Case {
    const char* typed;
    const char* left;
  };
  const Case cases[] = {
      {"abc\nnext", "next"},
      {"\rnext", "next"},  // a terminal in raw mode sends CR for Enter
      {"", ""},            // the end of the input does not keep it waiting
  };
  for (const Case& c : cases) {
    Pipe in;
    Pipe out;
    in.Write(c.typed);
    in.CloseWriteEnd();
    ShowNoticeAndWaitForEnter("X ended; press Enter", in.fds[0], out.fds[1]);
    EXPECT_EQ(out.ReadRest(), "\nX ended; press Enter") << c.typed;
    std::string left;
    char buffer[64];
    for (ssize_t n; (n = ::read(in.fds[0], buffer, sizeof buffer)) > 0;) {
      left.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(left, c.left) << c.typed;
  }
}

}  // namespace
}  // namespace r7n
