#pragma once

#include <string>
#include <vector>

#include "keys/key_code.h"

namespace r7n::bench {

// How a function key's macro keeps the terminal from reading the line.
enum class MacroWait {
  kNone,      // only paced bytes, between which the terminal reads on
  kFixed,     // sleeps wait_ms without reading
  kUntilKey,  // W-1: sleeps until the next key arrives
  kCutShort,  // a long wait that a key ends early
};

// A function key of the soak's configuration file and what pressing it does.
struct SoakMacro {
  KeyCode key;
  // The bytes the far end receives, in order; empty when the key sends nothing.
  std::string sends;
  MacroWait wait = MacroWait::kNone;
  int wait_ms = 0;
  bool defined = true;    // false: no macro on the key, it does nothing
  bool external = false;  // two lines: runs the external program, sends nothing
};

// R7n_Uart.cfg of the soak: macros that use every command of the macro
// language, a two-line macro, and a help text.
std::string SoakConfigText();

// Keys whose macros never stop the terminal from reading: safe while the far
// end prints. Includes keys with no macro.
const std::vector<SoakMacro>& FlowingMacros();
// Keys whose macros wait without reading; the far end must be quiet meanwhile.
const std::vector<SoakMacro>& WaitingMacros();

}  // namespace r7n::bench
