#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keys/win32_key_translate.h"

namespace r7n {

namespace win32 {

// Bits of the console's input mode, with the console API's values.
constexpr std::uint32_t kEnableProcessedInput = 0x0001;  // Ctrl-C is a signal
constexpr std::uint32_t kEnableLineInput = 0x0002;
constexpr std::uint32_t kEnableEchoInput = 0x0004;
constexpr std::uint32_t kEnableWindowInput = 0x0008;
constexpr std::uint32_t kEnableMouseInput = 0x0010;
constexpr std::uint32_t kEnableInsertMode = 0x0020;
constexpr std::uint32_t kEnableQuickEditMode = 0x0040;
// Without it a change of the quick-edit bit is not taken.
constexpr std::uint32_t kEnableExtendedFlags = 0x0080;
constexpr std::uint32_t kEnableAutoPosition = 0x0100;
// Keys as escape sequences instead of key events.
constexpr std::uint32_t kEnableVirtualTerminalInput = 0x0200;

}  // namespace win32

// The input mode the console runs in, made from the one it had: keys arrive
// one by one as key events, unechoed, with no mouse, window or quick-edit
// selection in between, while Ctrl-C and Ctrl-Break stay signals so that the
// program can always be ended.
std::uint32_t ProgramInputMode(std::uint32_t original);

// The fields of a console key event (KEY_EVENT_RECORD) as plain data.
struct ConsoleKeyRecord {
  bool key_down = true;
  std::uint16_t repeat_count = 1;
  std::uint16_t virtual_key = 0;
  std::uint16_t scan_code = 0;
  char16_t unicode_char = 0;
  std::uint32_t control_state = 0;
};

// The code page 437 byte of a character the keyboard produced: ASCII as it
// is, the rest by glyph, and 0 (no character) for what the code page cannot
// show.
std::uint8_t KeyCharToCp437(char16_t ch);

Win32KeyEvent ToWin32KeyEvent(const ConsoleKeyRecord& record);

// Appends the record's Key code once for every press it stands for (a held
// key reports its repeats in one record); nothing for a release or a key that
// has no Key code, or whose character the code page cannot show.
void AppendKeyCodes(const ConsoleKeyRecord& record, std::vector<std::string>& keys);

// Enter, on the main keyboard or the keypad, going down.
bool IsEnterPress(const ConsoleKeyRecord& record);

}  // namespace r7n
