#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "sim/posix_endpoints.h"

namespace r7n::sim {
namespace {

// How long a program gets to end on SIGTERM before it is killed.
constexpr int kTermGraceMs = 500;
// How long the terminal of a program that has ended is still read: what it
// wrote last is read before the terminal reports its other side closed,
// unless something the program started still holds that side open.
constexpr std::int64_t kDrainAfterExitUs = 1'000'000;

std::string ExitText(int status) {
  if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  return "stopped";
}

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void RunChild(const char* slave_name, const char* command) {
  ::setsid();
  const int slave = ::open(slave_name, O_RDWR);  // a session leader's first tty becomes its own
  if (slave < 0) ::_exit(127);
  ::ioctl(slave, TIOCSCTTY, 0);
  ::dup2(slave, 0);
  ::dup2(slave, 1);
  ::dup2(slave, 2);
  if (slave > 2) ::close(slave);
  // Nothing of the simulator's own files (the capture file, other slots'
  // terminals and sockets) is the program's business.
  if (::close_range(3, ~0U, 0) != 0) {
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);
  }
  // Should the simulator die without ending the program, the program hears of it.
  ::prctl(PR_SET_PDEATHSIG, SIGHUP);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int signo : {SIGINT, SIGQUIT, SIGPIPE, SIGTSTP, SIGTTIN, SIGTTOU, SIGHUP}) {
    ::signal(signo, SIG_DFL);
  }
  ::execl("/bin/sh", "sh", "-c", command, static_cast<char*>(nullptr));
  ::_exit(127);
}

void SleepMs(int ms) {
  timespec pause{0, ms * 1'000'000L};
  ::nanosleep(&pause, nullptr);
}

// A program on its terminal's other side, until it and everything it started
// in its process group have ended.
class ProgramRun : public FdConnection {
 public:
  ProgramRun(UniqueFd master, pid_t pid) : FdConnection(std::move(master)), pid_(pid), pgid_(pid) {}
  ~ProgramRun() override {
    // The terminal hangs up before the group is signalled: a program that
    // ignores SIGTERM and SIGHUP but stops on a hung-up terminal need not
    // wait out the grace time.
    CloseFd();
    EndGroup();
  }

  std::optional<std::string> Gone(std::int64_t now_us) override;
  std::string ReadEnded(std::string why) override;

 private:
  void EndGroup();

  pid_t pid_;   // the shell, until it has been waited for
  pid_t pgid_;  // its process group, which outlives it while others are in it
  std::optional<std::string> exit_text_;
  std::int64_t exited_at_us_ = 0;
};

std::optional<std::string> ProgramRun::Gone(std::int64_t now_us) {
  if (pid_ > 0 && !exit_text_) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      exit_text_ = ExitText(status);
      exited_at_us_ = now_us;
      pid_ = -1;
    }
  }
  // Normally reading ends the slot, once the terminal has given up all the
  // program wrote (its last bytes may still be on their way through the
  // kernel when it is reaped).
  if (!exit_text_ || now_us - exited_at_us_ < kDrainAfterExitUs) return std::nullopt;
  return exit_text_;
}

std::string ProgramRun::ReadEnded(std::string why) {
  if (exit_text_) return *exit_text_;
  // The other side of the terminal closes as the program ends; give the
  // program a moment to be reaped so the log says how it ended.
  for (int waited = 0; pid_ > 0 && waited < 100; waited += 10) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return ExitText(status);
    }
    SleepMs(10);
  }
  return why;
}

void ProgramRun::EndGroup() {
  // Its whole process group goes: a shell's children with it. A group with
  // nobody left in it answers ESRCH, and its id cannot have been reused
  // while anyone was still in it.
  if (pgid_ > 0 && ::kill(-pgid_, 0) == 0) {
    ::kill(-pgid_, SIGTERM);
    ::kill(-pgid_, SIGHUP);
  }
  for (int waited = 0; pid_ > 0 && waited < kTermGraceMs; waited += 10) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    if (pid_ > 0) SleepMs(10);
  }
  if (pgid_ > 0 && ::kill(-pgid_, 0) == 0) ::kill(-pgid_, SIGKILL);
  if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
}

}  // namespace

ExecEndpoint::ExecEndpoint(std::string command, std::int64_t respawn_us)
    : FdEndpoint(respawn_us), command_(std::move(command)) {}

FdEndpoint::Opened ExecEndpoint::Open() {
  UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  const char* name = nullptr;
  if (!master || ::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0 ||
      (name = ::ptsname(master.Get())) == nullptr) {
    return {nullptr, "no pseudo-terminal: " + ErrnoText(errno)};
  }
  const std::string slave_name = name;
  const pid_t pid = ::fork();
  if (pid < 0) return {nullptr, "cannot start: " + ErrnoText(errno)};
  if (pid == 0) RunChild(slave_name.c_str(), command_.c_str());
  return {std::make_unique<ProgramRun>(std::move(master), pid),
          "started, pid " + std::to_string(pid) + " on " + slave_name};
}

}  // namespace r7n::sim
