#include "platform/posix/posix_shell.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

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

int PosixShell::Run(const std::string& command) {
  console_.Suspend();
  const int status = RunShellCommand(command);
  console_.Resume();
  return status;
}

}  // namespace r7n
