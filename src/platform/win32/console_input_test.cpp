#include "platform/win32/console_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace r7n {
namespace {

using namespace win32;

// The input mode a console window starts with: line editing with echo,
// Ctrl-C as a signal, mouse selection by quick edit, insert mode.
constexpr std::uint32_t kFreshConsoleMode =
    kEnableProcessedInput | kEnableLineInput | kEnableEchoInput | kEnableMouseInput |
    kEnableInsertMode | kEnableQuickEditMode | kEnableExtendedFlags | kEnableAutoPosition;

TEST(ProgramInputMode, DeliversSingleKeyEventsAndNothingElse) {
  const std::uint32_t originals[] = {
      kFreshConsoleMode,
      kFreshConsoleMode | kEnableWindowInput | kEnableVirtualTerminalInput,
      kEnableLineInput | kEnableEchoInput,  // Ctrl-C not a signal, no extended flags
      0,
  };
  for (const std::uint32_t original : originals) {
    const std::uint32_t mode = ProgramInputMode(original);
    EXPECT_EQ(mode & (kEnableLineInput | kEnableEchoInput), 0u)
        << std::hex << original << ": keys must arrive one by one, unechoed";
    EXPECT_EQ(mode & (kEnableMouseInput | kEnableWindowInput), 0u)
        << std::hex << original << ": only key events may arrive";
    EXPECT_EQ(mode & kEnableVirtualTerminalInput, 0u)
        << std::hex << original << ": keys must come as key events, not escape sequences";
    EXPECT_EQ(mode & (kEnableQuickEditMode | kEnableExtendedFlags), kEnableExtendedFlags)
        << std::hex << original << ": quick edit must be off, and the console must take that";
    EXPECT_NE(mode & kEnableProcessedInput, 0u)
        << std::hex << original << ": Ctrl-C must stay a signal";
  }
}

TEST(ProgramInputMode, LeavesTheOtherSettingsAsTheyWere) {
  EXPECT_EQ(ProgramInputMode(kFreshConsoleMode) & (kEnableInsertMode | kEnableAutoPosition),
            kEnableInsertMode | kEnableAutoPosition);
  EXPECT_EQ(ProgramInputMode(kEnableProcessedInput) & (kEnableInsertMode | kEnableAutoPosition),
            0u);
}

TEST(KeyCharToCp437, GivesTheCodePageByteOfTheCharacter) {
  struct Case {
    char16_t ch;
    std::uint8_t byte;
  };
  const Case cases[] = {
      {u'a', 'a'},       {u'~', '~'}, {0x00, 0x00},  // no character
      {0x01, 0x01},                                  // Ctrl-A
      {0x1B, 0x1B},                                  // Esc
      {0x7F, 0x7F},                                  // Ctrl-Backspace
      {u'\u00E9', 0x82},                             // é
      {u'\u00C7', 0x80},                             // Ç
      {u'\u00FC', 0x81},                             // ü
      {u'\u00DF', 0xE1},                             // ß
      {u'\u00A3', 0x9C},                             // £
      {u'\u00A7', 0x15},  // §, drawn by the code page as control byte 0x15
      {u'\u20AC', 0x00},  // € has no glyph in the code page
      {u'\u00E3', 0x00},  // nor has ã
      {u'\xD83D', 0x00},  // half of a surrogate pair is no character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeyCharToCp437(c.ch), c.byte) << std::hex << static_cast<int>(c.ch);
  }
}

ConsoleKeyRecord Key(std::uint16_t vk, char16_t ch, std::uint32_t state = 0,
                     std::uint16_t repeats = 1, bool down = true) {
  ConsoleKeyRecord record;
  record.key_down = down;
  record.repeat_count = repeats;
  record.virtual_key = vk;
  record.unicode_char = ch;
  record.control_state = state;
  return record;
}

std::vector<std::string> KeysOf(const ConsoleKeyRecord& record) {
  std::vector<std::string> keys;
  AppendKeyCodes(record, keys);
  return keys;
}

std::string Ext(int code) {
  return ExtendedKey(static_cast<std::uint8_t>(code));
}

TEST(AppendKeyCodes, TranslatesTheRecordOncePerPress) {
  using Keys = std::vector<std::string>;
  struct Case {
    const char* name;
    ConsoleKeyRecord record;
    Keys keys;
  };
  const Case cases[] = {
      {"a letter", Key(kVkA, u'a'), {"a"}},
      {"held for three presses", Key(kVkA, u'a', 0, 3), {"a", "a", "a"}},
      {"a count of 0 is still one press", Key(kVkA, u'a', 0, 0), {"a"}},
      {"a release", Key(kVkA, u'a', 0, 1, false), {}},
      {"F1", Key(kVkF1, 0), {Ext(0x3B)}},
      {"F11 held twice", Key(kVkF1 + 10, 0, 0, 2), {Ext(0x85), Ext(0x85)}},
      {"Enter", Key(kVkReturn, u'\r'), {"\r"}},
      {"Ctrl-A", Key(kVkA, 0x01, kLeftCtrlPressed), {"\x01"}},
      {"Alt-X", Key(kVkA + 23, u'x', kLeftAltPressed), {Ext(0x2D)}},
      {"Ctrl-Right", Key(kVkRight, 0, kRightCtrlPressed | kEnhancedKey), {Ext(0x74)}},
      {"é typed", Key(0xDE, u'\u00E9'), {"\x82"}},
      {"AltGr-E on a German layout gives €, which cannot be shown",
       Key(kVkA + 4, u'\u20AC', kAltGr),
       {}},
      {"Shift alone", Key(kVkShift, 0, kShiftPressed), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(KeysOf(c.record), c.keys) << c.name;
}

TEST(AppendKeyCodes, AppendsAfterWhatIsThere) {
  std::vector<std::string> keys = {"x"};
  AppendKeyCodes(Key(kVkA + 1, u'b', 0, 2), keys);
  EXPECT_EQ(keys, (std::vector<std::string>{"x", "b", "b"}));
}

TEST(AppendKeyCodes, CutsAnEndlessRepeatToMoreThanTheKeyQueueHolds) {
  const std::vector<std::string> keys = KeysOf(Key(kVkA, u'a', 0, 65535));
  EXPECT_GT(keys.size(), 511u);
  EXPECT_LT(keys.size(), 65535u);
}

TEST(IsEnterPress, OnlyEnterGoingDown) {
  struct Case {
    const char* name;
    ConsoleKeyRecord record;
    bool enter;
  };
  const Case cases[] = {
      {"Enter", Key(kVkReturn, u'\r'), true},
      {"keypad Enter", Key(kVkReturn, u'\r', kEnhancedKey), true},
      {"Ctrl-Enter", Key(kVkReturn, u'\n', kLeftCtrlPressed), true},
      {"Enter released", Key(kVkReturn, u'\r', 0, 1, false), false},
      {"Ctrl-M", Key(kVkA + 12, u'\r', kLeftCtrlPressed), false},
      {"Space", Key(kVkSpace, u' '), false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsEnterPress(c.record), c.enter) << c.name;
}

}  // namespace
}  // namespace r7n
