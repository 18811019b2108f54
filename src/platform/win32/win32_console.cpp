#include "platform/win32/win32_console.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/console_input.h"
#include "platform/win32/console_window.h"
#include "platform/window_size_check.h"

namespace r7n {
namespace {

// The plain copies of the console API's constants must agree with it.
static_assert(win32::kEnableProcessedInput == ENABLE_PROCESSED_INPUT);
static_assert(win32::kEnableLineInput == ENABLE_LINE_INPUT);
static_assert(win32::kEnableEchoInput == ENABLE_ECHO_INPUT);
static_assert(win32::kEnableWindowInput == ENABLE_WINDOW_INPUT);
static_assert(win32::kEnableMouseInput == ENABLE_MOUSE_INPUT);
static_assert(win32::kEnableInsertMode == ENABLE_INSERT_MODE);
static_assert(win32::kEnableQuickEditMode == ENABLE_QUICK_EDIT_MODE);
static_assert(win32::kEnableExtendedFlags == ENABLE_EXTENDED_FLAGS);
static_assert(win32::kEnableAutoPosition == ENABLE_AUTO_POSITION);
static_assert(win32::kEnableVirtualTerminalInput == ENABLE_VIRTUAL_TERMINAL_INPUT);
static_assert(win32::kVkReturn == VK_RETURN);
static_assert(win32::kShiftPressed == SHIFT_PRESSED);
static_assert(win32::kLeftCtrlPressed == LEFT_CTRL_PRESSED);
static_assert(win32::kRightAltPressed == RIGHT_ALT_PRESSED);
static_assert(win32::kEnhancedKey == ENHANCED_KEY);

constexpr DWORD kMostRecordsAtOnce = 64;

SHORT Short(int value) {
  return static_cast<SHORT>(value);
}

ConsoleKeyRecord RecordOf(const KEY_EVENT_RECORD& key) {
  return {key.bKeyDown != 0,
          key.wRepeatCount,
          key.wVirtualKeyCode,
          key.wVirtualScanCode,
          static_cast<char16_t>(key.uChar.UnicodeChar),
          key.dwControlKeyState};
}

}  // namespace

OpenResult<Win32Console> Win32Console::Start() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleMode(input, &mode) == 0 || GetConsoleScreenBufferInfo(output, &info) == 0) {
    return {nullptr, "r7n_uart: standard input and output must be a console"};
  }
  const SMALL_RECT& window = info.srWindow;
  const WindowSize size = ConsoleWindowSize(window.Left, window.Top, window.Right, window.Bottom);
  if (std::string problem = WindowSizeProblem(size); !problem.empty()) return {nullptr, problem};
  if (CtrlEndsProcess::Installed()) return {nullptr, "r7n_uart: the console is already in use"};

  std::unique_ptr<Win32Console> console(new Win32Console(input, output, size));
  console->original_.input = input;
  console->original_.input_mode = mode;
  console->original_.output = output;
  if (std::string error = console->TakeOver(); !error.empty()) return {nullptr, error};
  return {std::move(console), ""};
}

std::string Win32Console::TakeOver() {
  CONSOLE_CURSOR_INFO cursor{};
  if (GetConsoleCursorInfo(output_, &cursor) != 0) {
    original_.cursor_size = cursor.dwSize;
    original_.cursor_visible = cursor.bVisible != 0;
  }
  ctrl_ = CtrlEndsProcess::Install(original_);
  if (!ctrl_) return "r7n_uart: cannot catch Ctrl-C and Ctrl-Break in this console";
  program_mode_ = ProgramInputMode(original_.input_mode);
  if (SetConsoleMode(input_, program_mode_) == 0) {
    return "r7n_uart: cannot set the input mode of the console";
  }
  return "";
}

Win32Console::~Win32Console() {
  if (shown_) LeaveCursorBelowText();
  RestoreConsoleSettings(original_);
  ctrl_.reset();
}

Win32Console::Origin Win32Console::WindowOrigin() const {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(output_, &info) == 0) return origin_;
  return {info.srWindow.Left, info.srWindow.Top};
}

// The window can move within the console's buffer (another program scrolled
// it, or the operator did): then everything is drawn again where it now is.
void Win32Console::Show(const ScreenImage& image) {
  const Origin origin = WindowOrigin();
  const bool all = !shown_ || redraw_all_ || origin != origin_;
  for (const RowSpan& span : all ? WholeRows(image) : ChangedSpans(last_, image)) {
    WriteSpan(image, span, origin);
  }
  ShowCursor(image, origin, all);
  last_ = image;
  origin_ = origin;
  shown_ = true;
  redraw_all_ = false;
}

// Cells are written as a block, which never moves the cursor nor scrolls, so
// the bottom right cell is as safe as any other.
void Win32Console::WriteSpan(const ScreenImage& image, const RowSpan& span, Origin origin) {
  const int last_col = std::min(span.last_col, size_.cols);
  if (span.row > size_.rows || last_col < span.first_col) return;
  std::vector<CHAR_INFO> cells;
  for (int col = span.first_col; col <= last_col; ++col) {
    const ConsoleCell cell = ConsoleCellOf(image.At(span.row, col));
    CHAR_INFO info{};
    info.Char.UnicodeChar = static_cast<WCHAR>(cell.glyph);
    info.Attributes = cell.attributes;
    cells.push_back(info);
  }
  const SHORT x = Short(origin.x + span.first_col - 1);
  const SHORT y = Short(origin.y + span.row - 1);
  SMALL_RECT region{x, y, Short(origin.x + last_col - 1), y};
  WriteConsoleOutputW(output_, cells.data(), COORD{Short(static_cast<int>(cells.size())), 1},
                      COORD{0, 0}, &region);
}

void Win32Console::ShowCursor(const ScreenImage& image, Origin origin, bool again) {
  const int row = std::clamp(image.cursor_row, 1, size_.rows);
  const int col = std::clamp(image.cursor_col, 1, size_.cols);
  if (again || image.cursor_row != last_.cursor_row || image.cursor_col != last_.cursor_col) {
    SetConsoleCursorPosition(output_, COORD{Short(origin.x + col - 1), Short(origin.y + row - 1)});
  }
  if (again || image.cursor_visible != last_.cursor_visible) SetCursorLook(image.cursor_visible);
}

void Win32Console::SetCursorLook(bool visible) {
  const CONSOLE_CURSOR_INFO cursor{original_.cursor_size, visible ? TRUE : FALSE};
  SetConsoleCursorInfo(output_, &cursor);
}

// The screen stays as the program left it, and the command prompt comes on
// the line below its last text rather than wherever the hidden cursor was.
void Win32Console::LeaveCursorBelowText() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(output_, &info) == 0) return;
  const int y = origin_.y + RowBelowText(last_) - 1;
  if (y < info.dwSize.Y) {
    SetConsoleCursorPosition(output_, COORD{Short(origin_.x), Short(y)});
    return;
  }
  // The bottom row of the buffer is in use: a line end scrolls it up by one.
  SetConsoleCursorPosition(output_, COORD{Short(origin_.x), Short(info.dwSize.Y - 1)});
  DWORD written = 0;
  WriteConsoleW(output_, L"\r\n", 2, &written, nullptr);
}

void Win32Console::PollKeys(std::vector<std::string>& keys) {
  for (;;) {
    // The handle is signalled while events wait. Asking it first also makes
    // Wine's console on a terminal fetch what was typed, which it otherwise
    // never counts.
    if (WaitForSingleObject(input_, 0) != WAIT_OBJECT_0) return;
    DWORD waiting = 0;
    if (GetNumberOfConsoleInputEvents(input_, &waiting) == 0 || waiting == 0) return;
    INPUT_RECORD records[kMostRecordsAtOnce];
    DWORD read = 0;
    if (ReadConsoleInputW(input_, records, std::min(waiting, kMostRecordsAtOnce), &read) == 0 ||
        read == 0) {
      return;
    }
    for (DWORD i = 0; i < read; ++i) {
      if (records[i].EventType == KEY_EVENT)
        AppendKeyCodes(RecordOf(records[i].Event.KeyEvent), keys);
    }
  }
}

void Win32Console::Beep(int hz, int ms) {
  if (hz > 0 && ms > 0) ::Beep(static_cast<DWORD>(hz), static_cast<DWORD>(ms));
}

void Win32Console::Suspend() {
  RestoreConsoleSettings(original_);
}

void Win32Console::Resume() {
  SetConsoleMode(input_, program_mode_);
  redraw_all_ = true;
  if (!shown_) return;
  const ScreenImage image = last_;
  Show(image);
}

}  // namespace r7n
