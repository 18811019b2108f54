#pragma once

#include "console/console.h"
#include "console/screen_helpers.h"
#include "keys/key_code.h"

namespace r7n {

enum class MenuAction {
  kNone,
  kZcpTerminal,    // keys 1, 2
  kZcpReset,       // keys R, Z
  kZcpVersion,     // key N
  kViewIpAddress,  // key V
  kSetIpAddress,   // key S
  kModuleConsole,  // keys A-H
  kModuleLogout,   // key K
  kBusReset,       // key P
  kQuit,           // key Q
};

struct MenuChoice {
  MenuAction action = MenuAction::kNone;
  int unit = 0;    // base unit 1 or 2, where the action names one
  int module = 0;  // module 0-3 (A-D) for kModuleConsole
  friend bool operator==(const MenuChoice&, const MenuChoice&) = default;
};

// The menu's key dispatch: the key is upper-cased and compared in a fixed order.
MenuChoice ChooseMenuAction(const KeyCode& key);

// Draws the whole menu with its yellow key marks; the cursor ends on row 19.
void DrawMainMenu(Console& con, ScreenHelpers& helpers);

}  // namespace r7n
