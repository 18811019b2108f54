#include "platform/posix/posix_shell.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace r7n {
namespace {

constexpr int kSignalledBase = 128;

// Ignores the keyboard's signals for as long as it lives and then puts the
// previous handlers back.
class KeyboardSignalsIgnored {
 public:
  KeyboardSignalsIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGINT, &ignore, &previous_int_);
    ::sigaction(SIGQUIT, &ignore, &previous_quit_);
  }
  ~KeyboardSignalsIgnored() {
    ::sigaction(SIGQUIT, &previous_quit_, nullptr);
    ::sigaction(SIGINT, &previous_int_, nullptr);
  }
  KeyboardSignalsIgnored(const KeyboardSignalsIgnored&) = delete;
  KeyboardSignalsIgnored& operator=(const KeyboardSignalsIgnored&) = delete;

 private:
  struct sigaction previous_int_ {};
  struct sigaction previous_quit_ {};
};

int Spawn(const std::string& command, pid_t& pid) {
  // The command gets the keyboard's signals back in their default action.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t keyboard;
  sigemptyset(&keyboard);
  sigaddset(&keyboard, SIGINT);
  sigaddset(&keyboard, SIGQUIT);
  posix_spawnattr_setsigdefault(&attributes, &keyboard);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  std::string name = "sh";
  std::string option = "-c";
  std::string text = command;
  std::vector<char*> argv = {name.data(), option.data(), text.data(), nullptr};
  const int result = posix_spawn(&pid, "/bin/sh", nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  return result;
}

// Single quotes keep everything literal in sh; a quote itself is closed,
// escaped and reopened.
std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

void ReadLine(int fd) {
  char c = 0;
  for (;;) {
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || c == '\n' || c == '\r') return;
  }
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return kSignalledBase + WTERMSIG(status);
  return -1;
}

}  // namespace

int RunShellCommand(const std::string& command) {
  const KeyboardSignalsIgnored ignored;
  pid_t pid = 0;
  if (Spawn(command, pid) != 0) return -1;
  return WaitFor(pid);
}

std::string ProgramCommandLine(const std::string& name) {
  const std::string local = "./" + name;
  return ShellQuoted(IsExecutableFile(local) ? local : name);
}

int RunProgramByName(const std::string& name) {
  return RunShellCommand(ProgramCommandLine(name));
}

std::string EndNotice(const std::string& name, int status) {
  if (status == 0) return {};
  const std::string what =
      status < 0 ? " could not be started" : " ended with status " + std::to_string(status);
  return name + what + "; press Enter to return";
}

void ShowNoticeAndWaitForEnter(std::string_view notice, int in_fd, int out_fd) {
  if (::isatty(in_fd) != 0) ::tcflush(in_fd, TCIFLUSH);
  WriteAll(out_fd, "\n");
  WriteAll(out_fd, notice);
  ReadLine(in_fd);
}

int PosixShell::Run(const std::string& name) {
  console_.Suspend();
  const int status = RunProgramByName(name);
  const std::string notice = EndNotice(name, status);
  if (!notice.empty()) ShowNoticeAndWaitForEnter(notice, STDIN_FILENO, STDOUT_FILENO);
  console_.Resume();
  return status;
}

}  // namespace r7n
