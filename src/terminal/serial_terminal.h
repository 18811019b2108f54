#pragma once

#include <string_view>

#include "console/console.h"
#include "console/keys/key_code.h"
#include "terminal/config_tables.h"
#include "terminal/macro_player.h"
#include "terminal/term_colors.h"
#include "uart/channel_access.h"
#include "uart/uart_transfer.h"

namespace r7n {

class PacedBell;
class ReceiveParser;

// The interactive terminal on the current channel: what the far end sends is
// shown (and captured to Term.txt), what the operator types is sent, function
// keys play macros, Shift-F1 shows the help text and Shift-F2 ends it.
class SerialTerminal {
 public:
  // Pause of a pass while the line is quiet, taken in slices: a burst that
  // starts during it ends the pause, since 30 ms of output at 115200 bit/s is
  // more than the 128-byte receive FIFO holds.
  static constexpr int kQuietPassMs = 30;
  static constexpr int kQuietSliceMs = 5;
  // Pause of a pass while bytes are flowing: a module printing at 115200
  // bit/s fills the 128-byte receive FIFO in about 11 ms, so the passes must
  // come faster than that or output is lost.
  static constexpr int kFlowingPassMs = 2;
  // Most bytes shown in one pass, so that a key is still read between floods.
  static constexpr int kMaxBytesPerPass = 4096;
  static constexpr int kReceiveTimeoutMs = 1000;

  SerialTerminal(Console& console, UartLink& link, UartTransfer& uart, const ConfigTables& tables,
                 TermColors& colors, MacroPlayer& macros)
      : con_(console),
        link_(link),
        uart_(uart),
        tables_(tables),
        colors_(colors),
        macros_(macros) {}

  // Runs one session until the operator presses Shift-F2.
  void UartTerm(std::string_view title);

 private:
  void PrintHeader(std::string_view title);
  // Shows what has arrived, until the receiver is empty or the pass has shown
  // its share.
  void DrainReceiver(ReceiveParser& parser);
  // Waits up to a pass's pause for the line to bring something, and sounds a
  // due bell once it has stayed quiet for a slice.
  void QuietPause(PacedBell& bell);
  // Carries out one key; false when the key ends the session.
  bool HandleKey(const KeyCode& key);
  void ShowHelp();

  Console& con_;
  UartLink& link_;
  UartTransfer& uart_;
  const ConfigTables& tables_;
  TermColors& colors_;
  MacroPlayer& macros_;
  // Whether anything was shown since the session loop last looked, by the
  // loop itself or between the bytes of a send or the slices of a wait.
  bool received_since_pass_ = false;
};

// The macro number a function key plays (F1-F10 1-10, F11/F12 11/12,
// Shift-F1-Shift-F10 13-22, Shift-F11/F12 23/24), or 0 for any other key.
int MacroNumberOfKey(const KeyCode& key);

}  // namespace r7n
