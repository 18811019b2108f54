#include "platform/win32/console_input.h"

#include <algorithm>

#include "keys/cp437.h"

namespace r7n {
namespace {

using namespace win32;

constexpr char16_t kFirstNonAscii = 0x80;

// A longer run of repeats would only push itself out of the key queue (511
// keys), so it is cut here rather than copied tens of thousands of times.
constexpr int kMostRepeats = 512;

}  // namespace

std::uint32_t ProgramInputMode(std::uint32_t original) {
  std::uint32_t mode = original;
  mode &= ~(kEnableLineInput | kEnableEchoInput | kEnableWindowInput | kEnableMouseInput |
            kEnableQuickEditMode | kEnableVirtualTerminalInput);
  mode |= kEnableProcessedInput | kEnableExtendedFlags;
  return mode;
}

std::uint8_t KeyCharToCp437(char16_t ch) {
  if (ch < kFirstNonAscii) return static_cast<std::uint8_t>(ch);
  return UnicodeToCp437(ch).value_or(0);
}

Win32KeyEvent ToWin32KeyEvent(const ConsoleKeyRecord& record) {
  return {record.key_down, record.virtual_key, record.scan_code,
          KeyCharToCp437(record.unicode_char), record.control_state};
}

void AppendKeyCodes(const ConsoleKeyRecord& record, std::vector<std::string>& keys) {
  // A character the code page cannot show is dropped, not taken for a key
  // without one: AltGr-E giving the euro sign must not turn into Alt-E.
  if (record.unicode_char != 0 && KeyCharToCp437(record.unicode_char) == 0) return;
  const std::optional<KeyCode> key = TranslateWin32Key(ToWin32KeyEvent(record));
  if (!key) return;
  // A key that went down was pressed at least once, whatever the count says.
  const int presses = std::clamp(static_cast<int>(record.repeat_count), 1, kMostRepeats);
  for (int i = 0; i < presses; ++i) keys.push_back(*key);
}

bool IsEnterPress(const ConsoleKeyRecord& record) {
  return record.key_down && record.virtual_key == win32::kVkReturn;
}

}  // namespace r7n
