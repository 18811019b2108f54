#include "platform/win32/win32_console.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>

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
constexpr WORD kPlainAttributes = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;

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

OpenResult<Win32Console> Win32Console::Start(const std::string& program) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleMode(input, &mode) == 0 || GetConsoleScreenBufferInfo(output, &info) == 0) {
    return {nullptr, program + ": standard input and output must be a console"};
  }
  const SMALL_RECT& window = info.srWindow;
  const WindowSize found = ConsoleWindowSize(window.Left, window.Top, window.Right, window.Bottom);
  const WindowSize size{std::max(found.rows, kMinimumWindow.rows),
                        std::max(found.cols, kMinimumWindow.cols)};
  if (CtrlEndsProcess::Installed()) return {nullptr, program + ": the console is already in use"};

  std::unique_ptr<Win32Console> console(new Win32Console(input, output, size));
  console->program_ = program;
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
  if (!ctrl_) return program_ + ": cannot catch Ctrl-C and Ctrl-Break in this console";
  program_mode_ = ProgramInputMode(original_.input_mode);
  if (SetConsoleMode(input_, program_mode_) == 0) {
    return program_ + ": cannot set the input mode of the console";
  }
  return "";
}

Win32Console::~Win32Console() {
  if (shown_) LeaveCursorBelowText();
  RestoreConsoleSettings(original_);
  ctrl_.reset();
}

Win32Console::Window Win32Console::CurrentWindow() const {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(output_, &info) == 0) return window_;
  const SMALL_RECT& rect = info.srWindow;
  const WindowSize size = ConsoleWindowSize(rect.Left, rect.Top, rect.Right, rect.Bottom);
  return {{rect.Left, rect.Top}, size.rows, size.cols};
}

// The window can move within the console's buffer (another program scrolled
// it, or the operator did) or change size: then everything is drawn again
// where it now is, or while it is smaller than the layouts one line saying so.
void Win32Console::Show(const ScreenImage& image) {
  const Window window = CurrentWindow();
  const bool all = !shown_ || redraw_all_ || window != window_;
  const std::string too_small = WindowTooSmallLine({window.rows, window.cols});
  if (!too_small.empty()) {
    if (all) ShowTooSmall(window, too_small);
  } else {
    for (const RowSpan& span : all ? WholeRows(image) : ChangedSpans(last_, image)) {
      WriteSpan(image, span, window.origin);
    }
    ShowCursor(image, window.origin, all);
  }
  last_ = image;
  window_ = window;
  shown_ = true;
  redraw_all_ = false;
}

// The window is blanked and the line written at its top; the cursor is
// hidden, as the screens are drawn without it.
void Win32Console::ShowTooSmall(const Window& window, const std::string& line) {
  for (int row = 0; row < window.rows; ++row) {
    const COORD at{Short(window.origin.x), Short(window.origin.y + row)};
    DWORD done = 0;
    FillConsoleOutputCharacterW(output_, L' ', static_cast<DWORD>(window.cols), at, &done);
    FillConsoleOutputAttribute(output_, kPlainAttributes, static_cast<DWORD>(window.cols), at,
                               &done);
  }
  const std::wstring text(
      line.begin(), line.begin() + std::min<std::ptrdiff_t>(
                                       static_cast<std::ptrdiff_t>(line.size()), window.cols));
  DWORD written = 0;
  WriteConsoleOutputCharacterW(output_, text.data(), static_cast<DWORD>(text.size()),
                               COORD{Short(window.origin.x), Short(window.origin.y)}, &written);
  SetCursorLook(false);
}

// Called with every key poll: a window resized while the program waits for
// a key is drawn anew at once. A resize is no key (its event is skipped).
void Win32Console::FollowWindowChanges() {
  if (!shown_ || CurrentWindow() == window_) return;
  const ScreenImage image = last_;
  Show(image);
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
  const int y = window_.origin.y + RowBelowText(last_) - 1;
  if (y < info.dwSize.Y) {
    SetConsoleCursorPosition(output_, COORD{Short(window_.origin.x), Short(y)});
    return;
  }
  // The bottom row of the buffer is in use: a line end scrolls it up by one.
  SetConsoleCursorPosition(output_, COORD{Short(window_.origin.x), Short(info.dwSize.Y - 1)});
  DWORD written = 0;
  WriteConsoleW(output_, L"\r\n", 2, &written, nullptr);
}

void Win32Console::PollKeys(std::vector<std::string>& keys) {
  FollowWindowChanges();
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
