#include "keys/win32_key_translate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/key_table_test_data.h"

namespace r7n {
namespace {

using namespace win32;
using key_tests::Column;
using Result = std::optional<KeyCode>;

KeyCode Ext(int code) {
  return ExtendedKey(static_cast<std::uint8_t>(code));
}

Win32KeyEvent Down(std::uint16_t vk, std::uint8_t ch, std::uint32_t state) {
  return {true, vk, 0, ch, state};
}

struct Case {
  const char* name;
  Win32KeyEvent event;
  Result expected;
};

void ExpectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(TranslateWin32Key(c.event), c.expected) << c.name;
}

std::uint16_t VirtualKeyOf(PcKey key) {
  switch (key) {
    case PcKey::kHome:
      return 0x24;
    case PcKey::kUp:
      return 0x26;
    case PcKey::kPgUp:
      return 0x21;
    case PcKey::kLeft:
      return 0x25;
    case PcKey::kRight:
      return 0x27;
    case PcKey::kEnd:
      return 0x23;
    case PcKey::kDown:
      return 0x28;
    case PcKey::kPgDn:
      return 0x22;
    case PcKey::kIns:
      return 0x2D;
    case PcKey::kDel:
      return 0x2E;
    case PcKey::kTab:
      return 0x09;
    default:
      return static_cast<std::uint16_t>(0x70 + static_cast<int>(key));  // F1..F12
  }
}

std::uint32_t StateOf(Column column) {
  constexpr std::array<std::uint32_t, 4> kStates{0, kShiftPressed, kLeftCtrlPressed,
                                                 kLeftAltPressed};
  return kStates[static_cast<std::size_t>(column)];
}

TEST(Win32KeyTranslateTest, EveryCodeOfTheTable) {
  for (const auto& row : key_tests::kTableRows) {
    const bool cursor_block = row.key >= PcKey::kHome && row.key <= PcKey::kDel;
    const std::uint8_t ch = row.key == PcKey::kTab ? '\t' : 0;
    for (Column column : key_tests::kColumns) {
      SCOPED_TRACE(std::string(row.name) + " " + key_tests::ColumnName(column));
      const std::uint32_t state = StateOf(column) | (cursor_block ? kEnhancedKey : 0);
      EXPECT_EQ(TranslateWin32Key(Down(VirtualKeyOf(row.key), ch, state)),
                Result{ExpectedCode(row, column)});
    }
  }
}

TEST(Win32KeyTranslateTest, AltWinsOverCtrlAndCtrlOverShift) {
  const std::uint32_t all = kShiftPressed | kLeftCtrlPressed | kLeftAltPressed;
  ExpectCases(
      {{"all F1", Down(kVkF1, 0, all), Ext(0x68)},
       {"Ctrl+Shift F1", Down(kVkF1, 0, kShiftPressed | kRightCtrlPressed), Ext(0x5E)},
       {"right Alt F12", Down(kVkF12, 0, kRightAltPressed), Ext(0x8C)},
       {"all Del", Down(kVkDelete, 0, all | kEnhancedKey), Ext(0xA3)},
       {"Ctrl+Shift Tab", Down(kVkTab, '\t', kShiftPressed | kLeftCtrlPressed), Ext(0x94)}});
}

TEST(Win32KeyTranslateTest, KeypadWithNumLockOff) {
  struct Pad {
    std::uint16_t vk;
    int plain, ctrl;
    char ch;
  };
  const std::vector<Pad> pads = {{kVkHome, 0x47, 0x77, '7'},   {kVkUp, 0x48, 0x8D, '8'},
                                 {kVkPrior, 0x49, 0x84, '9'},  {kVkLeft, 0x4B, 0x73, '4'},
                                 {kVkRight, 0x4D, 0x74, '6'},  {kVkEnd, 0x4F, 0x75, '1'},
                                 {kVkDown, 0x50, 0x91, '2'},   {kVkNext, 0x51, 0x76, '3'},
                                 {kVkInsert, 0x52, 0x92, '0'}, {kVkDelete, 0x53, 0x93, '.'}};
  for (const Pad& pad : pads) {
    SCOPED_TRACE(pad.ch);
    const auto ch = static_cast<std::uint8_t>(pad.ch);
    EXPECT_EQ(TranslateWin32Key(Down(pad.vk, 0, 0)), Result{Ext(pad.plain)});
    EXPECT_EQ(TranslateWin32Key(Down(pad.vk, 0, kLeftCtrlPressed)), Result{Ext(pad.ctrl)});
    EXPECT_EQ(TranslateWin32Key(Down(pad.vk, ch, kShiftPressed)), Result{KeyCode(1, pad.ch)});
    EXPECT_EQ(TranslateWin32Key(Down(pad.vk, 0, kShiftPressed)), Result{KeyCode(1, pad.ch)});
    EXPECT_EQ(TranslateWin32Key(Down(pad.vk, 0, kLeftAltPressed)), Result{});
  }
  ExpectCases({{"pad 5", Down(kVkClear, 0, 0), Result{}},
               {"Shift pad 5", Down(kVkClear, 0, kShiftPressed), "5"},
               {"German pad comma", Down(kVkDelete, ',', kShiftPressed), ","}});
}

TEST(Win32KeyTranslateTest, KeypadWithNumLockOn) {
  ExpectCases(
      {{"pad 7", Down(kVkNumpad0 + 7, '7', kNumLockOn), "7"},
       {"pad 0", Down(kVkNumpad0, '0', kNumLockOn), "0"},
       {"pad decimal", Down(kVkDecimal, '.', kNumLockOn), "."},
       {"Alt pad 7", Down(kVkNumpad0 + 7, 0, kNumLockOn | kLeftAltPressed), Result{}},
       {"Alt pad 7 with char", Down(kVkNumpad9, '9', kNumLockOn | kLeftAltPressed), Result{}},
       {"Shift pad 7", Down(kVkHome, 0, kNumLockOn | kShiftPressed), Ext(0x47)}});
}

TEST(Win32KeyTranslateTest, AltWithCharacterKeys) {
  for (const auto& alt : key_tests::kAltChars) {
    SCOPED_TRACE(std::string(1, alt.ch));
    const std::uint16_t vk = alt.ch == '-'   ? kVkOemMinus
                             : alt.ch == '=' ? kVkOemPlus
                                             : static_cast<std::uint16_t>(alt.ch);
    for (char ch : {alt.ch, key_tests::Lower(alt.ch), '\0'}) {
      EXPECT_EQ(TranslateWin32Key(Down(vk, static_cast<std::uint8_t>(ch), kLeftAltPressed)),
                Result{Ext(alt.code)});
    }
  }
}

TEST(Win32KeyTranslateTest, AltGrCharactersAreDeliveredAsTheyAre) {
  ExpectCases({{"AltGr Q", Down('Q', '@', kAltGr), "@"},
               {"AltGr 7", Down('7', '{', kAltGr), "{"},
               {"AltGr E without char", Down('E', 0, kAltGr), Ext(0x12)},
               {"Alt Shift 1", Down('1', '!', kLeftAltPressed | kShiftPressed), "!"},
               {"Alt space", Down(kVkSpace, ' ', kLeftAltPressed), " "},
               {"Alt-X", Down('X', 'x', kLeftAltPressed), Ext(0x2D)}});
}

TEST(Win32KeyTranslateTest, CtrlWithLettersGivesTheControlCharacter) {
  for (int i = 0; i < 26; ++i) {
    const auto ch = static_cast<std::uint8_t>(i + 1);
    EXPECT_EQ(TranslateWin32Key(Down(static_cast<std::uint16_t>(kVkA + i), ch, kLeftCtrlPressed)),
              Result{KeyCode(1, static_cast<char>(ch))});
  }
}

TEST(Win32KeyTranslateTest, SingleByteKeys) {
  ExpectCases({{"Enter", Down(kVkReturn, '\r', 0), "\r"},
               {"keypad Enter", Down(kVkReturn, '\r', kEnhancedKey), "\r"},
               {"Ctrl-Enter", Down(kVkReturn, '\n', kLeftCtrlPressed), "\n"},
               {"Esc", Down(kVkEscape, 0x1B, 0), "\x1b"},
               {"Backspace", Down(kVkBack, 0x08, 0), "\x08"},
               {"Ctrl-Backspace", Down(kVkBack, 0x7F, kLeftCtrlPressed), "\x7f"},
               {"Ctrl-Backspace no char", Down(kVkBack, 0, kRightCtrlPressed), "\x7f"},
               {"Alt-Backspace", Down(kVkBack, 0, kLeftAltPressed), "\x08"},
               {"Ctrl-A", Down('A', 0x01, kLeftCtrlPressed), "\x01"},
               {"a", Down('A', 'a', 0), "a"},
               {"Shift a", Down('A', 'A', kShiftPressed | kCapsLockOn), "A"},
               {"e acute", Down(0xDE, 0x82, 0), "\x82"},
               {"bracket", Down(0xDB, '[', 0), "["}});
}

TEST(Win32KeyTranslateTest, KeysWithoutKeyCode) {
  ExpectCases({{"release F1", {false, kVkF1, 0x3B, 0, 0}, Result{}},
               {"release a", {false, 'A', 0x1E, 'a', 0}, Result{}},
               {"Shift", Down(kVkShift, 0, kShiftPressed), Result{}},
               {"Ctrl", Down(kVkControl, 0, kLeftCtrlPressed), Result{}},
               {"Alt", Down(kVkMenu, 0, kLeftAltPressed), Result{}},
               {"right Alt", Down(kVkRightMenu, 0, kRightAltPressed), Result{}},
               {"left Shift", Down(kVkLeftShift, 0, kShiftPressed), Result{}},
               {"Caps Lock", Down(kVkCapital, 0, kCapsLockOn), Result{}},
               {"Num Lock", Down(kVkNumLock, 0, kNumLockOn), Result{}},
               {"Scroll Lock", Down(kVkScroll, 0, kScrollLockOn), Result{}},
               {"Windows", Down(kVkLeftWin, 0, 0), Result{}},
               {"F13", Down(kVkF12 + 1, 0, 0), Result{}},
               {"Ctrl-2", Down('2', 0, kLeftCtrlPressed), Result{}}});
}

TEST(Win32KeyTranslateTest, NamedEdgeCases) {
  ExpectCases({{"F1", Down(kVkF1, 0, 0), Ext(0x3B)},
               {"Shift-Tab", Down(kVkTab, '\t', kShiftPressed), Ext(0x0F)},
               {"Ctrl-Right", Down(kVkRight, 0, kLeftCtrlPressed | kEnhancedKey), Ext(0x74)},
               {"Alt-X", Down('X', 0, kLeftAltPressed), Ext(0x2D)},
               {"F11", Down(kVkF1 + 10, 0, 0), Ext(0x85)},
               {"Enter", Down(kVkReturn, '\r', 0), "\r"},
               {"Ctrl-A", Down('A', 1, kLeftCtrlPressed), "\x01"}});
}

}  // namespace
}  // namespace r7n
