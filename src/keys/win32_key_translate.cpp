#include "keys/win32_key_translate.h"

#include "keys/bios_keys.h"

namespace r7n {
namespace {

using namespace win32;

Modifiers ModifiersOf(std::uint32_t state) {
  return {(state & kShiftPressed) != 0, (state & (kLeftCtrlPressed | kRightCtrlPressed)) != 0,
          (state & (kLeftAltPressed | kRightAltPressed)) != 0};
}

KeyCode Byte(std::uint8_t byte) {
  return KeyCode(1, static_cast<char>(byte));
}

std::optional<KeyCode> Extended(PcKey key, Modifiers mods) {
  if (auto code = BiosExtendedCode(key, mods)) return ExtendedKey(*code);
  return std::nullopt;
}

struct BlockKey {
  PcKey key;
  std::uint8_t keypad_char;  // what the key is on the keypad with Num Lock on
};

// The ten keys of the cursor block, which the keypad repeats.
std::optional<BlockKey> CursorBlockKey(std::uint16_t vk) {
  switch (vk) {
    case kVkHome:
      return BlockKey{PcKey::kHome, '7'};
    case kVkUp:
      return BlockKey{PcKey::kUp, '8'};
    case kVkPrior:
      return BlockKey{PcKey::kPgUp, '9'};
    case kVkLeft:
      return BlockKey{PcKey::kLeft, '4'};
    case kVkRight:
      return BlockKey{PcKey::kRight, '6'};
    case kVkEnd:
      return BlockKey{PcKey::kEnd, '1'};
    case kVkDown:
      return BlockKey{PcKey::kDown, '2'};
    case kVkNext:
      return BlockKey{PcKey::kPgDn, '3'};
    case kVkInsert:
      return BlockKey{PcKey::kIns, '0'};
    case kVkDelete:
      return BlockKey{PcKey::kDel, '.'};
    default:
      return std::nullopt;
  }
}

// A keypad key with Num Lock off. Shift gives its character, as the BIOS
// does; with Num Lock on, Windows reports Shift with the keypad as these
// keys too, and then the user wants the movement, so the plain code results.
// Alt is character entry by number and gives nothing.
std::optional<KeyCode> KeypadMovement(std::optional<PcKey> key, std::uint8_t keypad_char,
                                      const Win32KeyEvent& event, Modifiers mods) {
  if (mods.alt) return std::nullopt;
  const bool num_lock = (event.control_state & kNumLockOn) != 0;
  if (mods.shift && !mods.ctrl && !num_lock) return Byte(event.ch != 0 ? event.ch : keypad_char);
  if (!key) return std::nullopt;
  return Extended(*key, mods);
}

// Modifier and lock keys, and the keys that have neither a character nor a
// code of their own.
bool HasNoKeyCode(std::uint16_t vk) {
  return vk == kVkShift || vk == kVkControl || vk == kVkMenu || vk == kVkCapital ||
         vk == kVkNumLock || vk == kVkScroll || vk == kVkPause || vk == kVkLeftWin ||
         vk == kVkRightWin || vk == kVkApps || (vk >= kVkLeftShift && vk <= kVkRightMenu);
}

// The character a key has without modifiers, for the keys that have an Alt
// code; 0 for other keys.
char OwnCharacter(std::uint16_t vk) {
  if (vk >= kVkA && vk < kVkA + 26) return static_cast<char>(vk);
  if (vk >= kVk0 && vk < kVk0 + 10) return static_cast<char>(vk);
  if (vk == kVkOemMinus) return '-';
  if (vk == kVkOemPlus) return '=';
  return 0;
}

// Alt with a letter, digit, '-' or '=' gives the key's code only when the
// console reports the key's own character (or none): AltGr and friends that
// make another character deliver that character instead.
std::optional<KeyCode> AltCharacterKey(const Win32KeyEvent& event) {
  const char own = OwnCharacter(event.virtual_key);
  if (own == 0) return std::nullopt;
  const auto ch = static_cast<char>(event.ch);
  const bool own_char = ch == 0 || ch == own || (own >= 'A' && own <= 'Z' && ch == own + 32);
  if (!own_char) return std::nullopt;
  if (auto code = BiosAltCharCode(own)) return ExtendedKey(*code);
  return std::nullopt;
}

std::optional<KeyCode> SpecialKey(const Win32KeyEvent& event, Modifiers mods) {
  const std::uint16_t vk = event.virtual_key;
  if (vk >= kVkF1 && vk <= kVkF12) {
    return Extended(static_cast<PcKey>(static_cast<int>(PcKey::kF1) + (vk - kVkF1)), mods);
  }
  switch (vk) {
    case kVkTab:
      if (auto code = Extended(PcKey::kTab, mods)) return code;
      return Byte('\t');
    case kVkBack:
      return Byte(mods.ctrl && !mods.alt ? 0x7F : 0x08);
    case kVkReturn:  // Ctrl-Enter reports 10, as the BIOS does
      return Byte(event.ch != 0 ? event.ch : std::uint8_t{'\r'});
    case kVkEscape:
      return Byte(0x1B);
    default:
      return std::nullopt;
  }
}

bool IsKeypadCharacter(std::uint16_t vk) {
  return (vk >= kVkNumpad0 && vk <= kVkNumpad9) || vk == kVkDecimal;
}

}  // namespace

std::optional<KeyCode> TranslateWin32Key(const Win32KeyEvent& event) {
  if (!event.key_down || HasNoKeyCode(event.virtual_key)) return std::nullopt;
  const Modifiers mods = ModifiersOf(event.control_state);
  const std::uint16_t vk = event.virtual_key;
  if (auto block = CursorBlockKey(vk)) {
    if ((event.control_state & kEnhancedKey) != 0) return Extended(block->key, mods);
    return KeypadMovement(block->key, block->keypad_char, event, mods);
  }
  if (vk == kVkClear) return KeypadMovement(std::nullopt, '5', event, mods);
  if (auto special = SpecialKey(event, mods)) return special;
  if (mods.alt) {
    if (auto code = AltCharacterKey(event)) return code;
    if (IsKeypadCharacter(vk)) return std::nullopt;
  }
  if (event.ch == 0) return std::nullopt;
  return Byte(event.ch);
}

}  // namespace r7n
