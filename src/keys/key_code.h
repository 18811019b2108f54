#pragma once

#include <cstdint>
#include <string>

namespace r7n {

// A key press as the program sees it: empty (no key), one byte (the character
// the key produced, control characters included), or two bytes, 0xFF and the
// PC BIOS extended keystroke code of a key that produces no character.
using KeyCode = std::string;

constexpr char kExtendedLead = '\xFF';

inline KeyCode ExtendedKey(std::uint8_t code) {
  return KeyCode{kExtendedLead, static_cast<char>(code)};
}

inline bool IsExtendedKey(const KeyCode& key) {
  return key.size() == 2 && key[0] == kExtendedLead;
}

// Upper-cases a Key code the way the menu compares keys: only the bytes a to z
// change, so the lead byte of an extended key never does.
KeyCode UpperCaseKey(KeyCode key);

// The named Key codes that the flows compare against.
inline const KeyCode KeyF1 = ExtendedKey(0x3B);
inline const KeyCode KeyF10 = ExtendedKey(0x44);
inline const KeyCode KeyF11 = ExtendedKey(0x85);
inline const KeyCode KeyF12 = ExtendedKey(0x86);
inline const KeyCode KeyShiftF1 = ExtendedKey(0x54);
inline const KeyCode KeyShiftF2 = ExtendedKey(0x55);
inline const KeyCode KeyShiftF10 = ExtendedKey(0x5D);
inline const KeyCode KeyShiftF11 = ExtendedKey(0x87);
inline const KeyCode KeyShiftF12 = ExtendedKey(0x88);
inline const KeyCode KeyUp = ExtendedKey(0x48);
inline const KeyCode KeyDown = ExtendedKey(0x50);
inline const KeyCode KeyLeft = ExtendedKey(0x4B);
inline const KeyCode KeyRight = ExtendedKey(0x4D);
inline const KeyCode KeyDel = ExtendedKey(0x53);
inline const KeyCode KeyHome = ExtendedKey(0x47);

}  // namespace r7n
