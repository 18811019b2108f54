#include "platform/posix/terminal_mode.h"

#include <unistd.h>

namespace r7n {
namespace {

constexpr cc_t kCtrlC = 0x03;

}  // namespace

termios ProgramTermios(const termios& original) {
  termios mode = original;
  // Enter must stay 13 and Ctrl-J 10; bytes keep all eight bits.
  mode.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | ISTRIP);
  mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
  mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | IEXTEN);
  mode.c_lflag |= ISIG;
  // Ctrl-C ends the program even where the user's terminal interrupts with
  // another key.
  mode.c_cc[VINTR] = kCtrlC;
  mode.c_cc[VSUSP] = _POSIX_VDISABLE;
  mode.c_cc[VQUIT] = _POSIX_VDISABLE;
#ifdef VDSUSP
  mode.c_cc[VDSUSP] = _POSIX_VDISABLE;
#endif
  mode.c_cc[VMIN] = 0;
  mode.c_cc[VTIME] = 0;
  return mode;
}

}  // namespace r7n
