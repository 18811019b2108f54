#pragma once

#include <cstdint>
#include <optional>

#include "keys/key_code.h"

namespace r7n {

// One console key event as the Win32 console reports it, as plain data so
// that the translation builds and is tested on any platform.
struct Win32KeyEvent {
  bool key_down = true;
  std::uint16_t virtual_key = 0;
  std::uint16_t scan_code = 0;
  std::uint8_t ch = 0;  // the character in the console's code page, 0 if none
  std::uint32_t control_state = 0;
};

namespace win32 {

// Bits of the control state, with the console API's values.
constexpr std::uint32_t kRightAltPressed = 0x0001;
constexpr std::uint32_t kLeftAltPressed = 0x0002;
constexpr std::uint32_t kRightCtrlPressed = 0x0004;
constexpr std::uint32_t kLeftCtrlPressed = 0x0008;
constexpr std::uint32_t kShiftPressed = 0x0010;
constexpr std::uint32_t kNumLockOn = 0x0020;
constexpr std::uint32_t kScrollLockOn = 0x0040;
constexpr std::uint32_t kCapsLockOn = 0x0080;
// Set for the separate cursor block, clear for the same keys on the keypad.
constexpr std::uint32_t kEnhancedKey = 0x0100;
// What AltGr reports on layouts that have it.
constexpr std::uint32_t kAltGr = kRightAltPressed | kLeftCtrlPressed;

// Virtual-key codes, with the console API's values.
constexpr std::uint16_t kVkBack = 0x08;
constexpr std::uint16_t kVkTab = 0x09;
constexpr std::uint16_t kVkClear = 0x0C;  // keypad 5 with Num Lock off
constexpr std::uint16_t kVkReturn = 0x0D;
constexpr std::uint16_t kVkShift = 0x10;
constexpr std::uint16_t kVkControl = 0x11;
constexpr std::uint16_t kVkMenu = 0x12;  // Alt
constexpr std::uint16_t kVkPause = 0x13;
constexpr std::uint16_t kVkCapital = 0x14;
constexpr std::uint16_t kVkEscape = 0x1B;
constexpr std::uint16_t kVkSpace = 0x20;
constexpr std::uint16_t kVkPrior = 0x21;
constexpr std::uint16_t kVkNext = 0x22;
constexpr std::uint16_t kVkEnd = 0x23;
constexpr std::uint16_t kVkHome = 0x24;
constexpr std::uint16_t kVkLeft = 0x25;
constexpr std::uint16_t kVkUp = 0x26;
constexpr std::uint16_t kVkRight = 0x27;
constexpr std::uint16_t kVkDown = 0x28;
constexpr std::uint16_t kVkInsert = 0x2D;
constexpr std::uint16_t kVkDelete = 0x2E;
constexpr std::uint16_t kVk0 = 0x30;  // '0'..'9' follow
constexpr std::uint16_t kVkA = 0x41;  // 'A'..'Z' follow
constexpr std::uint16_t kVkLeftWin = 0x5B;
constexpr std::uint16_t kVkRightWin = 0x5C;
constexpr std::uint16_t kVkApps = 0x5D;
constexpr std::uint16_t kVkNumpad0 = 0x60;  // keypad digits with Num Lock on
constexpr std::uint16_t kVkNumpad9 = 0x69;
constexpr std::uint16_t kVkDecimal = 0x6E;
constexpr std::uint16_t kVkF1 = 0x70;
constexpr std::uint16_t kVkF12 = 0x7B;
constexpr std::uint16_t kVkNumLock = 0x90;
constexpr std::uint16_t kVkScroll = 0x91;
constexpr std::uint16_t kVkLeftShift = 0xA0;
constexpr std::uint16_t kVkRightMenu = 0xA5;  // the left/right modifier keys span 0xA0..0xA5
constexpr std::uint16_t kVkOemPlus = 0xBB;    // the '=' key on a US keyboard
constexpr std::uint16_t kVkOemMinus = 0xBD;

}  // namespace win32

// The Key code of a console key event, or nothing for key releases, modifier
// and lock keys, and keys with neither a character nor an extended code.
// Ctrl-C and Ctrl-Break end the program through the console's control
// handler before they become key events, so they need no case here.
std::optional<KeyCode> TranslateWin32Key(const Win32KeyEvent& event);

}  // namespace r7n
