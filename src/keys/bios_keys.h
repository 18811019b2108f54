#pragma once

#include <cstdint>
#include <optional>

namespace r7n {

// Keys of the PC keyboard that have BIOS extended keystroke codes, a row of
// the keyboard a line.
// clang-format off
enum class PcKey {
  kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8, kF9, kF10, kF11, kF12,
  kHome, kUp, kPgUp, kLeft, kRight, kEnd, kDown, kPgDn, kIns, kDel,
  kTab,
};
// clang-format on

// Modifier state of a key press, as the terminal or the console reports it.
struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

// The extended code of a key with its modifiers; Alt wins over Ctrl, Ctrl over
// Shift. Empty for plain Tab, which is the character 9, not an extended key.
std::optional<std::uint8_t> BiosExtendedCode(PcKey key, Modifiers mods);

// The code that Alt with a character key gives: the key's scan number for the
// letters (either case), the digits, '-' and '='; empty for other characters.
std::optional<std::uint8_t> BiosAltCharCode(char ch);

}  // namespace r7n
