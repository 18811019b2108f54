#pragma once

#include <cstdint>
#include <string_view>

#include "console/console.h"
#include "keys/key_code.h"
#include "terminal/config_tables.h"
#include "terminal/macro_player.h"
#include "terminal/term_colors.h"
#include "uart/channel_access.h"
#include "uart/receive_pump.h"
#include "uart/uart_transfer.h"

namespace r7n {

class CaptureFile;
class PacedBell;
class ReceiveParser;

// The interactive terminal on the current channel: what the far end sends is
// shown (and captured to Term.txt), what the operator types is sent, function
// keys play macros, Shift-F1 shows the help text and Shift-F2 ends it.
class SerialTerminal {
 public:
  SerialTerminal(Console& console, UartLink& link, UartTransfer& uart, ReceivePump& pump,
                 const ConfigTables& tables, TermColors& colors, MacroPlayer& macros)
      : con_(console),
        link_(link),
        uart_(uart),
        pump_(pump),
        tables_(tables),
        colors_(colors),
        macros_(macros) {}

  // Runs one session until the operator presses Shift-F2.
  void UartTerm(std::string_view title);

 private:
  // When the line last brought a byte, and when it last did or a key went.
  struct LineTimes {
    std::int64_t last_arrival_us;
    std::int64_t last_activity_us;
  };

  void PrintHeader(std::string_view title);
  // Shows what has arrived, until the receiver is empty or the pass has had
  // its time.
  void DrainReceiver(ReceiveParser& parser);
  // Waits up to a pass's pause for the line to bring something or a key to
  // come, and sounds a due bell once the line has stayed quiet for a slice.
  void QuietPause(PacedBell& bell, std::int64_t last_activity_us);
  // What a pass does after showing: nothing while bytes flow, a short sleep
  // between the bursts of a slow line, a quiet pause once the line is quiet.
  void WaitBetweenPasses(bool arrived, const LineTimes& times, PacedBell& bell,
                         CaptureFile& capture);
  // Carries out one key; false when the key ends the session.
  bool HandleKey(const KeyCode& key);
  void ShowHelp();

  Console& con_;
  UartLink& link_;
  UartTransfer& uart_;
  ReceivePump& pump_;
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
