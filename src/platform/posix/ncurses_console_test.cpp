#include "platform/posix/ncurses_console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/real_clock.h"

namespace r7n {
namespace {

// Runs body in a child process whose terminal is a fresh pseudo-terminal of
// the given size, so the console meets a real terminal driver. The parent
// plays the user: it reads everything the child draws, and once the child
// reports on its pipe that it is ready, types keys.
struct PtyRun {
  int exit_status = -1;      // 128 + signal when a signal ended the child
  std::string screen_bytes;  // everything the child wrote to the terminal
  std::string report;        // what the child wrote on its pipe, minus "ready"
  termios mode_after{};      // the terminal's mode once the child had ended
  termios mode_before{};
};

constexpr char kReady = '\x01';

termios CookedMode() {
  termios mode{};
  cfmakeraw(&mode);
  mode.c_iflag = ICRNL | IXON | BRKINT;
  mode.c_oflag = OPOST | ONLCR;
  mode.c_cflag = CS8 | CREAD | B38400;
  mode.c_lflag = ISIG | ICANON | ECHO | ECHOE | IEXTEN;
  mode.c_cc[VINTR] = 0x03;
  mode.c_cc[VQUIT] = 0x1C;
  mode.c_cc[VSUSP] = 0x1A;
  mode.c_cc[VSTART] = 0x11;
  mode.c_cc[VSTOP] = 0x13;
  mode.c_cc[VMIN] = 1;
  return mode;
}

void WriteToPipe(int fd, const std::string& text) {
  if (::write(fd, text.data(), text.size()) < 0) ::_exit(98);
}

enum class Drained { kData, kNothing, kEnd };

// Reads what arrives within timeout_ms.
Drained DrainOnce(int fd, std::string& into, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, timeout_ms) <= 0) return Drained::kNothing;
  char buffer[4096];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n <= 0) return Drained::kEnd;
  into.append(buffer, static_cast<std::size_t>(n));
  return Drained::kData;
}

PtyRun RunInPty(WindowSize size, const std::string& keys,
                const std::function<void(int report_fd)>& body) {
  PtyRun run;
  run.mode_before = CookedMode();
  int report[2];
  if (::pipe(report) != 0) return run;
  winsize window{static_cast<unsigned short>(size.rows), static_cast<unsigned short>(size.cols), 0,
                 0};
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, &run.mode_before, &window);
  if (pid == 0) {
    ::close(report[0]);
    ::setenv("TERM", "xterm", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    body(report[1]);
    ::_exit(0);
  }
  ::close(report[1]);
  std::string reported;
  bool typed = false;
  bool ended = false;
  // Bounded only so that a broken console cannot hang the test suite.
  for (int round = 0; round < 1000 && !ended; ++round) {
    DrainOnce(master, run.screen_bytes, 5);
    ended = DrainOnce(report[0], reported, 5) == Drained::kEnd;
    if (!typed && reported.find(kReady) != std::string::npos) {
      typed = true;
      if (!keys.empty() && ::write(master, keys.data(), keys.size()) < 0) break;
    }
  }
  if (!ended) ::kill(pid, SIGKILL);
  while (DrainOnce(master, run.screen_bytes, 100) == Drained::kData) {
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid) {
    run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  ::tcgetattr(master, &run.mode_after);
  ::close(master);
  ::close(report[0]);
  for (char c : reported) {
    if (c != kReady) run.report += c;
  }
  return run;
}

ScreenImage BlankImage(WindowSize size) {
  ScreenImage image;
  image.rows = size.rows;
  image.cols = size.cols;
  image.cells.resize(static_cast<std::size_t>(size.rows * size.cols));
  return image;
}

// Started in a window too small for the screen, the console says so on one
// line; once the window has grown, the image shown meanwhile is drawn whole.
TEST(NcursesConsole, ShowsTheScreenOnlyOnceTheWindowHoldsIt) {
  const PtyRun run = RunInPty({20, 70}, "", [](int report) {
    RealClock clock;
    auto started = NcursesConsole::Start(clock);
    if (!started.device) {
      WriteToPipe(report, started.error);
      return;
    }
    ScreenImage image = BlankImage(started.device->Size());
    image.At(25, 80) = Cell{'Z', 7, 0};
    started.device->Show(image);
    started.device->NotesAfterSession();  // waits until it has been drawn
    WriteToPipe(report, "|");
    winsize grown{25, 80, 0, 0};
    ::ioctl(STDIN_FILENO, TIOCSWINSZ, &grown);  // SIGWINCH, as a terminal sends
    std::vector<std::string> keys;
    for (int round = 0; round < 100; ++round) {
      started.device->PollKeys(keys);
      clock.SleepMs(10);
    }
    started.device->NotesAfterSession();
    WriteToPipe(report, std::to_string(started.device->Size().cols) + "x" +
                            std::to_string(started.device->Size().rows));
  });
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.report, "|80x25");
  const std::size_t line =
      run.screen_bytes.find("The window is 70 x 20; make it at least 80 x 25.");
  ASSERT_NE(line, std::string::npos);
  EXPECT_NE(run.screen_bytes.find('Z', line), std::string::npos) << run.screen_bytes.substr(line);
}

// Collects keys until count have come; the parent types them all at once.
std::string CollectKeys(NcursesConsole& console, Clock& clock, std::size_t count) {
  std::vector<std::string> keys;
  for (int round = 0; round < 500 && keys.size() < count; ++round) {
    console.PollKeys(keys);
    clock.SleepMs(10);
  }
  std::string joined;
  for (const std::string& key : keys) joined += "[" + key + "]";
  return joined;
}

TEST(NcursesConsole, DrawsCodePageGlyphsAndDeliversControlKeysAsBytes) {
  // Ctrl-Z, Ctrl-S, Ctrl-Q, Ctrl-\, Ctrl-V, Ctrl-O, Enter, then F1 (xterm).
  const std::string typed = "\x1a\x13\x11\x1c\x16\x0f\r\x1bOP";
  const PtyRun run = RunInPty({25, 80}, typed, [](int report) {
    RealClock clock;
    auto started = NcursesConsole::Start(clock);
    if (!started.device) {
      WriteToPipe(report, started.error);
      return;
    }
    EXPECT_EQ(started.device->Size().rows, 25);
    ScreenImage image = BlankImage(started.device->Size());
    image.At(1, 1) = Cell{0x01, 14, 1};   // smiley
    image.At(25, 80) = Cell{0xDB, 7, 0};  // full block in the bottom right cell
    started.device->Show(image);
    WriteToPipe(report, std::string(1, kReady));
    WriteToPipe(report, CollectKeys(*started.device, clock, 8));
  });
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.report, "[\x1a][\x13][\x11][\x1c][\x16][\x0f][\r][\xff\x3b]");
  EXPECT_NE(run.screen_bytes.find("\u263A"), std::string::npos);
  EXPECT_NE(run.screen_bytes.find("\u2588"), std::string::npos);
  EXPECT_EQ(run.screen_bytes.find('\x01'), std::string::npos);
  EXPECT_EQ(run.mode_after.c_lflag, run.mode_before.c_lflag);
  EXPECT_EQ(run.mode_after.c_iflag, run.mode_before.c_iflag);
  EXPECT_EQ(run.mode_after.c_cc[VSUSP], run.mode_before.c_cc[VSUSP]);
}

TEST(NcursesConsole, CtrlCEndsTheProgramAtOnceAndRestoresTheTerminal) {
  const PtyRun run = RunInPty({25, 80}, "\x03", [](int report) {
    RealClock clock;
    auto started = NcursesConsole::Start(clock);
    if (!started.device) {
      WriteToPipe(report, started.error);
      return;
    }
    started.device->Show(BlankImage(started.device->Size()));
    WriteToPipe(report, std::string(1, kReady));
    // Busy, never reading a key: only the signal can end this.
    for (int round = 0; round < 1000; ++round) clock.SleepMs(10);
    WriteToPipe(report, "not interrupted");
  });
  EXPECT_EQ(run.exit_status, 130);
  EXPECT_EQ(run.report, "");
  EXPECT_EQ(run.mode_after.c_lflag, run.mode_before.c_lflag);
  EXPECT_EQ(run.mode_after.c_iflag, run.mode_before.c_iflag);
  // Full-screen mode left, and the cursor shown again.
  EXPECT_NE(run.screen_bytes.rfind("\x1b[?1049l"), std::string::npos);
  EXPECT_NE(run.screen_bytes.rfind("\x1b[?25h"), std::string::npos);
}

}  // namespace
}  // namespace r7n
