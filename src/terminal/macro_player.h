#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/console.h"
#include "console/screen_helpers.h"
#include "platform/shell.h"
#include "terminal/config_tables.h"
#include "uart/uart_transfer.h"

namespace r7n {

// Plays the macro of a function key: a one-line macro is a command string that
// is sent to the current channel while it is read; a longer macro is handed to
// the external program, which does its own sending.
class MacroPlayer {
 public:
  static constexpr const char* kExternalProgram = "GP.EXE";

  MacroPlayer(const ConfigTables& tables, UartTransfer& uart, Console& console,
              ScreenHelpers& helpers, Shell& shell)
      : tables_(tables), uart_(uart), con_(console), helpers_(helpers), shell_(shell) {}

  // Returns when the macro has been carried out to its end. Numbers without a
  // macro, and macros without lines, do nothing.
  void MacroPlay(int m);
  // Every send of the player goes through here, one call per byte or code, so
  // the far end sees the operator's typing pace.
  void MacroSnd(std::string_view text);

 private:
  enum class State { kNormal, kQuoted, kCode, kWait, kAfterC, kAfterL };

  // What one call reads: the state lives no longer than the command text.
  struct Reading {
    std::string command;
    State state = State::kNormal;
    std::string number;
  };

  void PlayCommand(std::string command);
  // Acts on the character at 1-based position pos; false when reading stops.
  bool Read(Reading& reading, char c, int pos);
  bool ReadNormal(Reading& reading, char c, int pos);
  void Wait(int ms);
  void SendCode(std::string_view number);
  void SendByte(char byte);
  void CommandError(const Reading& reading, int pos);

  const ConfigTables& tables_;
  UartTransfer& uart_;
  Console& con_;
  ScreenHelpers& helpers_;
  Shell& shell_;
};

}  // namespace r7n
