#include "platform/posix/terminal_mode.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace r7n {
namespace {

// A terminal as a shell leaves it: line editing, echo, CR to NL, flow control,
// the usual control keys.
termios CookedMode() {
  termios mode{};
  mode.c_iflag = ICRNL | IXON | IXOFF | BRKINT;
  mode.c_oflag = OPOST | ONLCR;
  mode.c_cflag = CS8 | CREAD;
  mode.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | IEXTEN;
  mode.c_cc[VINTR] = 0x03;
  mode.c_cc[VQUIT] = 0x1C;
  mode.c_cc[VSUSP] = 0x1A;
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
  return mode;
}

TEST(ProgramTermios, DeliversEveryKeyAsItsByteWithoutWaiting) {
  const termios mode = ProgramTermios(CookedMode());
  EXPECT_EQ(mode.c_lflag & (ICANON | ECHO), 0u) << "bytes must arrive unedited and unechoed";
  EXPECT_EQ(mode.c_iflag & (ICRNL | INLCR | IGNCR), 0u) << "Enter must arrive as 13";
  EXPECT_EQ(mode.c_iflag & (IXON | IXOFF), 0u) << "Ctrl-S and Ctrl-Q must arrive as bytes";
  EXPECT_EQ(mode.c_lflag & IEXTEN, 0u) << "Ctrl-V and Ctrl-O must arrive as bytes";
  EXPECT_EQ(mode.c_cc[VSUSP], _POSIX_VDISABLE) << "Ctrl-Z must arrive as a byte";
  EXPECT_EQ(mode.c_cc[VQUIT], _POSIX_VDISABLE) << "Ctrl-\\ must arrive as a byte";
  EXPECT_EQ(mode.c_cc[VMIN], 0) << "a read must never wait";
  EXPECT_EQ(mode.c_cc[VTIME], 0) << "a read must never wait";
}

TEST(ProgramTermios, KeepsCtrlCAsTheInterruptEvenWhereTheTerminalHadNone) {
  termios cooked = CookedMode();
  termios without_signals = cooked;
  without_signals.c_lflag &= ~static_cast<tcflag_t>(ISIG);
  without_signals.c_cc[VINTR] = 0x18;
  for (const termios& original : {cooked, without_signals}) {
    const termios mode = ProgramTermios(original);
    EXPECT_NE(mode.c_lflag & ISIG, 0u);
    EXPECT_EQ(mode.c_cc[VINTR], 0x03);
  }
}

TEST(ProgramTermios, LeavesOutputAndLineSettingsAlone) {
  const termios original = CookedMode();
  const termios mode = ProgramTermios(original);
  EXPECT_EQ(mode.c_oflag, original.c_oflag);
  EXPECT_EQ(mode.c_cflag, original.c_cflag);
}

}  // namespace
}  // namespace r7n
