#include "platform/win32/win32_console.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "keys/cp437.h"
#include "keys/key_code.h"
#include "platform/win32/console_input.h"
#include "platform/win32/ctrl_events.h"
#include "platform/win32/pseudo_console_run.h"
#include "platform/win32/win32_shell.h"

namespace r7n {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Tests that need a console of their own. Each runs in a fresh pseudo console
// (a copy of this program started by the table at the end of this file), and
// is skipped anywhere else, so the operator's console is never touched.

class InsideConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!InPseudoConsole()) GTEST_SKIP() << "runs inside a pseudo console of its own only";
    handles_ = std::make_unique<ConsoleAsStandardHandles>();
    ASSERT_TRUE(handles_->Ok());
    ASSERT_NE(GetConsoleMode(In(), &original_mode_), 0);
    ASSERT_NE(GetConsoleCursorInfo(Out(), &original_cursor_), 0);
  }
  void TearDown() override { handles_.reset(); }

  HANDLE In() const { return handles_->Input(); }
  HANDLE Out() const { return handles_->Output(); }

  std::unique_ptr<Win32Console> StartConsole() {
    auto started = Win32Console::Start();
    EXPECT_EQ(started.error, "");
    return std::move(started.device);
  }

  DWORD Mode() const {
    DWORD mode = 0;
    GetConsoleMode(In(), &mode);
    return mode;
  }

  CONSOLE_SCREEN_BUFFER_INFO BufferInfo() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(Out(), &info);
    return info;
  }

  bool CursorVisible() const {
    CONSOLE_CURSOR_INFO cursor{};
    GetConsoleCursorInfo(Out(), &cursor);
    return cursor.bVisible != 0;
  }

  // Window row and column (1-based) of the console's cursor.
  std::pair<int, int> CursorAt() const {
    const CONSOLE_SCREEN_BUFFER_INFO info = BufferInfo();
    return {info.dwCursorPosition.Y - info.srWindow.Top + 1,
            info.dwCursorPosition.X - info.srWindow.Left + 1};
  }

  ConsoleCell ShownAt(int row, int col) const {
    const CONSOLE_SCREEN_BUFFER_INFO info = BufferInfo();
    const auto x = static_cast<SHORT>(info.srWindow.Left + col - 1);
    const auto y = static_cast<SHORT>(info.srWindow.Top + row - 1);
    CHAR_INFO cell{};
    SMALL_RECT region{x, y, x, y};
    ReadConsoleOutputW(Out(), &cell, COORD{1, 1}, COORD{0, 0}, &region);
    return {static_cast<char16_t>(cell.Char.UnicodeChar),
            static_cast<std::uint16_t>(cell.Attributes & 0xFF)};
  }

  std::u16string ShownText(int row, int col, int length) const {
    std::u16string text;
    for (int i = 0; i < length; ++i) text += ShownAt(row, col + i).glyph;
    return text;
  }

  // Writes over the window behind the console's back, as another program
  // would.
  void Scribble(int row, int col, const std::u16string& text) const {
    const CONSOLE_SCREEN_BUFFER_INFO info = BufferInfo();
    DWORD written = 0;
    WriteConsoleOutputCharacterW(Out(), reinterpret_cast<const wchar_t*>(text.data()),
                                 static_cast<DWORD>(text.size()),
                                 COORD{static_cast<SHORT>(info.srWindow.Left + col - 1),
                                       static_cast<SHORT>(info.srWindow.Top + row - 1)},
                                 &written);
  }

  void Type(const std::vector<INPUT_RECORD>& records) const {
    DWORD written = 0;
    WriteConsoleInputW(In(), records.data(), static_cast<DWORD>(records.size()), &written);
    ASSERT_EQ(written, records.size());
  }

  DWORD EventsWaiting() const {
    DWORD waiting = 0;
    GetNumberOfConsoleInputEvents(In(), &waiting);
    return waiting;
  }

  DWORD original_mode_ = 0;
  CONSOLE_CURSOR_INFO original_cursor_{};

 private:
  std::unique_ptr<ConsoleAsStandardHandles> handles_;
};

INPUT_RECORD KeyRecord(WORD vk, wchar_t ch, DWORD state = 0, WORD repeats = 1, bool down = true) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
  record.Event.KeyEvent.wRepeatCount = repeats;
  record.Event.KeyEvent.wVirtualKeyCode = vk;
  record.Event.KeyEvent.uChar.UnicodeChar = ch;
  record.Event.KeyEvent.dwControlKeyState = state;
  return record;
}

INPUT_RECORD FocusRecord() {
  INPUT_RECORD record{};
  record.EventType = FOCUS_EVENT;
  record.Event.FocusEvent.bSetFocus = TRUE;
  return record;
}

ScreenImage BlankImage(WindowSize size) {
  ScreenImage image;
  image.rows = size.rows;
  image.cols = size.cols;
  image.cells.assign(static_cast<std::size_t>(size.rows * size.cols), Cell{});
  image.cursor_visible = false;
  return image;
}

void Put(ScreenImage& image, int row, int col, std::string_view text, std::uint8_t fg = 7,
         std::uint8_t bg = 0) {
  for (const char c : text) image.At(row, col++) = Cell{static_cast<std::uint8_t>(c), fg, bg};
}

fs::path OwnDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

// Waits, within reason, until the condition holds.
template <class Condition>
bool Eventually(Condition condition) {
  for (int round = 0; round < 3000; ++round) {
    if (condition()) return true;
    Sleep(10);
  }
  return false;
}

// Marks in the report that a test reached a point it cannot pass by itself
// (it is about to end the process).
void Report(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

TEST_F(InsideConsole, StartTakesTheWindowAsFound) {
  {
    auto started = Win32Console::Start();
    ASSERT_TRUE(started.device) << started.error;
    const WindowSize size = started.device->Size();
    EXPECT_EQ(std::to_string(size.cols) + " x " + std::to_string(size.rows),
              EnvironmentText("R7N_EXPECTED"));
    EXPECT_EQ(Mode() & (ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT), 0u);
    EXPECT_NE(Mode() & ENABLE_PROCESSED_INPUT, 0u);

    const auto second = Win32Console::Start();
    EXPECT_FALSE(second.device);
    EXPECT_EQ(second.error, "r7n_uart: the console is already in use");
  }
  EXPECT_EQ(Mode(), original_mode_) << "the input mode must come back";
  EXPECT_EQ(CursorVisible(), original_cursor_.bVisible != 0);
}

// The screen is never smaller than its layouts; until the window holds it,
// one line says so instead.
TEST_F(InsideConsole, StartInATooSmallWindowShowsOneLineInstead) {
  auto started = Win32Console::Start();
  ASSERT_TRUE(started.device) << started.error;
  EXPECT_EQ(started.device->Size().cols, 80);
  EXPECT_EQ(started.device->Size().rows, 25);
  ScreenImage image = BlankImage(started.device->Size());
  image.At(1, 1).ch = 'Z';
  started.device->Show(image);
  const std::string line = EnvironmentText("R7N_EXPECTED");
  EXPECT_EQ(ShownText(1, 1, static_cast<int>(line.size())),
            std::u16string(line.begin(), line.end()));
}

TEST_F(InsideConsole, StartRefusesWhenOutputIsNotTheConsole) {
  HANDLE nul =
      CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(nul, INVALID_HANDLE_VALUE);
  SetStdHandle(STD_OUTPUT_HANDLE, nul);
  const auto started = Win32Console::Start();
  SetStdHandle(STD_OUTPUT_HANDLE, Out());
  CloseHandle(nul);
  EXPECT_FALSE(started.device);
  EXPECT_EQ(started.error, "r7n_uart: standard input and output must be a console");
  EXPECT_EQ(Mode(), original_mode_);
}

TEST_F(InsideConsole, ShowDrawsEveryByteAsItsGlyphInItsColours) {
  auto console = StartConsole();
  ASSERT_TRUE(console);
  ScreenImage image = BlankImage(console->Size());
  // Foreground = low four bits of the byte, background = high four bits, so
  // each cell's attribute word must equal its byte.
  for (int byte = 0; byte < 256; ++byte) {
    const auto b = static_cast<std::uint8_t>(byte);
    image.At(1 + byte / 64, 1 + byte % 64) =
        Cell{b, static_cast<std::uint8_t>(b & 0x0F), static_cast<std::uint8_t>(b >> 4)};
  }
  image.At(25, 80) = Cell{'Z', 15, 4};
  console->Show(image);

  for (int byte = 0; byte < 256; ++byte) {
    const ConsoleCell shown = ShownAt(1 + byte / 64, 1 + byte % 64);
    EXPECT_EQ(shown.glyph, Cp437ToUnicode(static_cast<std::uint8_t>(byte))) << "byte " << byte;
    EXPECT_EQ(shown.attributes, byte) << "byte " << byte;
  }
  EXPECT_EQ(ShownAt(1, 2).glyph, u'\u263A');
  EXPECT_EQ(ShownAt(3, 49).glyph, u'\u2591');
  EXPECT_EQ(ShownAt(25, 80), (ConsoleCell{u'Z', 0x4F})) << "the bottom right cell";
  EXPECT_EQ(BufferInfo().srWindow.Top, 0) << "writing the bottom right cell must not scroll";
}

TEST_F(InsideConsole, ShowRewritesOnlyTheCellsThatChanged) {
  auto console = StartConsole();
  ASSERT_TRUE(console);
  ScreenImage first = BlankImage(console->Size());
  Put(first, 2, 1, "unchanged row");
  Put(first, 5, 1, "old text", 14, 1);
  console->Show(first);

  Scribble(2, 1, u"JUNK");
  ScreenImage second = first;
  Put(second, 5, 1, "new", 15, 4);
  console->Show(second);

  EXPECT_EQ(ShownText(2, 1, 13), u"JUNKanged row") << "an unchanged row must not be rewritten";
  EXPECT_EQ(ShownText(5, 1, 8), u"new text");
  EXPECT_EQ(ShownAt(5, 1).attributes, 0x4F);
  EXPECT_EQ(ShownAt(5, 4).attributes, 0x1E);
}

TEST_F(InsideConsole, ShowPutsTheCursorWhereTheImageSays) {
  auto console = StartConsole();
  ASSERT_TRUE(console);
  ScreenImage image = BlankImage(console->Size());
  image.cursor_row = 5;
  image.cursor_col = 10;
  image.cursor_visible = true;
  console->Show(image);
  EXPECT_EQ(CursorAt(), (std::pair{5, 10}));
  EXPECT_TRUE(CursorVisible());

  image.cursor_row = 25;
  image.cursor_col = 80;
  image.cursor_visible = false;
  console->Show(image);
  EXPECT_EQ(CursorAt(), (std::pair{25, 80}));
  EXPECT_FALSE(CursorVisible());
  EXPECT_EQ(BufferInfo().srWindow.Top, 0);
}

TEST_F(InsideConsole, PollKeysHandsOverTheWaitingKeysInOrder) {
  auto console = StartConsole();
  ASSERT_TRUE(console);
  Type({KeyRecord('A', L'a', 0, 2), KeyRecord('A', L'a', 0, 1, false), FocusRecord(),
        KeyRecord(VK_F1, 0), KeyRecord(VK_SHIFT, 0, SHIFT_PRESSED), KeyRecord(VK_OEM_7, L'\u00E9'),
        KeyRecord('X', L'x', LEFT_ALT_PRESSED)});
  std::vector<std::string> keys = {"before"};
  console->PollKeys(keys);
  EXPECT_EQ(keys, (std::vector<std::string>{"before", "a", "a", KeyF1, "\x82", ExtendedKey(0x2D)}));
  EXPECT_EQ(EventsWaiting(), 0u);

  keys.clear();
  console->PollKeys(keys);  // nothing waits: must return at once, with nothing
  EXPECT_TRUE(keys.empty());
}

TEST_F(InsideConsole, SuspendGivesTheConsoleBackAndResumeDrawsItAgain) {
  auto console = StartConsole();
  ASSERT_TRUE(console);
  ScreenImage image = BlankImage(console->Size());
  Put(image, 2, 1, "unchanged row");
  console->Show(image);

  console->Suspend();
  EXPECT_EQ(Mode(), original_mode_);
  EXPECT_EQ(CursorVisible(), original_cursor_.bVisible != 0);
  Scribble(2, 1, u"JUNK");

  console->Resume();
  EXPECT_EQ(Mode() & (ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT), 0u);
  EXPECT_EQ(ShownText(2, 1, 13), u"unchanged row");
  EXPECT_FALSE(CursorVisible());
}

TEST_F(InsideConsole, EndingLeavesThePromptBelowTheLastText) {
  {
    auto console = StartConsole();
    ASSERT_TRUE(console);
    ScreenImage image = BlankImage(console->Size());
    Put(image, 1, 1, "first");
    Put(image, 3, 20, "third");
    image.cursor_row = 12;
    image.cursor_col = 40;
    console->Show(image);
  }
  EXPECT_EQ(CursorAt(), (std::pair{4, 1}));
  EXPECT_EQ(ShownText(3, 20, 5), u"third") << "the last screen stays";
}

TEST_F(InsideConsole, EndingWithTheBottomRowInUseScrollsOnce) {
  {
    auto console = StartConsole();
    ASSERT_TRUE(console);
    ScreenImage image = BlankImage(console->Size());
    Put(image, 1, 1, "first");
    Put(image, 2, 1, "second");
    Put(image, 25, 1, "last");
    console->Show(image);
  }
  // This console keeps no lines above its window.
  EXPECT_EQ(ShownText(1, 1, 6), u"second");
  EXPECT_EQ(ShownText(24, 1, 4), u"last");
  EXPECT_EQ(CursorAt(), (std::pair{25, 1}));
}

TEST_F(InsideConsole, CtrlEventEndsTheProcessAtOnce) {
  auto console = StartConsole();
  ASSERT_TRUE(console);
  // Wine cannot raise Ctrl-Break for the whole console, so only Ctrl-C is
  // raised here; ActionForCtrlEvent's table covers Ctrl-Break.
  Report("sending the event");
  GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  Sleep(10000);
  ADD_FAILURE() << "still running 10 s after the event";
}

// Run after a test that ended its process with Ctrl-C, in the same console:
// the settings of a fresh console must be back (line input with echo, a
// visible cursor), not those the console ran with.
TEST_F(InsideConsole, FreshSettingsAreBack) {
  EXPECT_NE(original_mode_ & ENABLE_LINE_INPUT, 0u);
  EXPECT_NE(original_mode_ & ENABLE_ECHO_INPUT, 0u);
  EXPECT_NE(original_cursor_.bVisible, 0);
}

TEST_F(InsideConsole, CtrlCWhileAProgramRunsStopsOnlyThatProgram) {
  auto console = StartConsole();
  ASSERT_TRUE(console);
  const fs::path started = fs::temp_directory_path() / "r7n_child_started.txt";
  fs::remove(started);
  std::thread operator_presses_ctrl_c([&started] {
    if (Eventually([&started] { return fs::exists(started); })) {
      GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    }
  });
  const std::wstring child = (OwnDirectory() / "win32_test_child.exe").wstring();
  console->Suspend();
  RunCommandLine(
      InterpreterCommandLine(CommandInterpreter(), child + L" wait " + started.wstring()));
  console->Resume();
  operator_presses_ctrl_c.join();
  // The child says so in the file when nothing stopped it. (Its status does
  // not tell: Wine ends a program on Ctrl-C with status 0.)
  std::ifstream in(started);
  const std::string said{std::istreambuf_iterator<char>(in), {}};
  in.close();
  fs::remove(started);
  EXPECT_EQ(said, "") << "Ctrl-C did not reach the program";
  Report("program stopped, console still running");
  // Once the program has gone, Ctrl-C ends the console again.
  Sleep(2 * kCtrlGraceAfterChildMs);
  GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  Sleep(10000);
  ADD_FAILURE() << "Ctrl-C after the program no longer ends the console";
}

TEST_F(InsideConsole, WaitForEnterKeyLeavesTheLaterKeysWaiting) {
  Type({KeyRecord('A', L'a'), KeyRecord(VK_RETURN, L'\r', 0, 1, false), FocusRecord(),
        KeyRecord(VK_RETURN, L'\r'), KeyRecord('B', L'b')});
  WaitForEnterKey(In());
  ASSERT_EQ(EventsWaiting(), 1u);
  INPUT_RECORD left{};
  DWORD read = 0;
  ReadConsoleInputW(In(), &left, 1, &read);
  EXPECT_EQ(left.Event.KeyEvent.uChar.UnicodeChar, L'b');
}

TEST_F(InsideConsole, NoticeDropsKeysTypedBeforeItAndNamesTheFailure) {
  SetConsoleCursorPosition(Out(), COORD{0, 5});
  Type({KeyRecord('X', L'x'), KeyRecord(VK_RETURN, L'\r')});
  // Enter comes only once the keys typed before have gone; were they not
  // dropped, they would answer the notice and this Enter would stay waiting.
  std::thread operator_reads_and_presses_enter([this] {
    if (Eventually([this] { return EventsWaiting() == 0; })) Type({KeyRecord(VK_RETURN, L'\r')});
  });
  ShowNoticeAndWaitForEnter("GP.EXE ended with status 1; press Enter to return", In(), Out());
  operator_reads_and_presses_enter.join();
  EXPECT_EQ(EventsWaiting(), 0u);
  EXPECT_EQ(ShownText(7, 1, 20), u"GP.EXE ended with st");
}

TEST_F(InsideConsole, ShellShowsANoticeAfterAFailureAndDrawsTheScreenAgain) {
  auto console = StartConsole();
  ASSERT_TRUE(console);
  ScreenImage image = BlankImage(console->Size());
  Put(image, 1, 1, "terminal screen");
  console->Show(image);
  Win32Shell shell(*console);
  const std::string name = "r7n-absent-" + std::to_string(GetCurrentProcessId());
  const std::string notice = name + " ended with status 9009; press Enter to return";
  const std::u16string shown_notice(notice.begin(), notice.end());
  bool notice_seen = false;
  std::thread operator_presses_enter([&] {
    notice_seen = Eventually([&] {
      for (int row = 1; row <= 25; ++row) {
        if (ShownText(row, 1, static_cast<int>(shown_notice.size())) == shown_notice) return true;
      }
      return false;
    });
    Type({KeyRecord(VK_RETURN, L'\r')});
  });
  const int status = shell.Run(name);
  operator_presses_enter.join();
  EXPECT_TRUE(notice_seen);
  EXPECT_EQ(status, 9009) << "the interpreter's status for a command it cannot find";
  EXPECT_EQ(ShownText(1, 1, 15), u"terminal screen");
  EXPECT_EQ(Mode() & (ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT), 0u);
}

TEST_F(InsideConsole, ShellReturnsAtOnceAfterACleanEnd) {
  auto console = StartConsole();
  ASSERT_TRUE(console);
  ScreenImage image = BlankImage(console->Size());
  Put(image, 1, 1, "terminal screen");
  console->Show(image);
  const fs::path dir = fs::temp_directory_path() / "r7n_clean_end";
  fs::create_directories(dir);
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  std::ofstream("ok.bat") << "@exit /b 0\n";
  Win32Shell shell(*console);
  const int status = shell.Run("ok.bat");
  fs::current_path(previous);
  fs::remove_all(dir);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ShownText(1, 1, 15), u"terminal screen");
}

// ---------------------------------------------------------------------------
// The same tests, each run in a pseudo console of its own.

struct InsideCase {
  const char* label;
  const char* test;
  WindowSize size;
  const char* expected;  // handed to the test as R7N_EXPECTED
  int exit_code;
  const char* marker;          // what the report must hold
  const char* then = nullptr;  // a test run next in the same console, to pass
};

constexpr const char* kPassed = "[  PASSED  ] 1 test.";

const InsideCase kInsideCases[] = {
    {"StartIn80x25", "StartTakesTheWindowAsFound", {25, 80}, "80 x 25", 0, kPassed},
    {"StartIn100x30", "StartTakesTheWindowAsFound", {30, 100}, "100 x 30", 0, kPassed},
    {"TooNarrow",
     "StartInATooSmallWindowShowsOneLineInstead",
     {25, 79},
     "The window is 79 x 25; make it at least 80 x 25.",
     0,
     kPassed},
    {"TooLow",
     "StartInATooSmallWindowShowsOneLineInstead",
     {24, 80},
     "The window is 80 x 24; make it at least 80 x 25.",
     0,
     kPassed},
    {"RefuseRedirectedOutput", "StartRefusesWhenOutputIsNotTheConsole", {25, 80}, "", 0, kPassed},
    {"Glyphs", "ShowDrawsEveryByteAsItsGlyphInItsColours", {25, 80}, "", 0, kPassed},
    {"Diff", "ShowRewritesOnlyTheCellsThatChanged", {25, 80}, "", 0, kPassed},
    {"Cursor", "ShowPutsTheCursorWhereTheImageSays", {25, 80}, "", 0, kPassed},
    {"Keys", "PollKeysHandsOverTheWaitingKeysInOrder", {25, 80}, "", 0, kPassed},
    {"SuspendResume", "SuspendGivesTheConsoleBackAndResumeDrawsItAgain", {25, 80}, "", 0, kPassed},
    {"EndBelowText", "EndingLeavesThePromptBelowTheLastText", {25, 80}, "", 0, kPassed},
    {"EndScrolls", "EndingWithTheBottomRowInUseScrollsOnce", {25, 80}, "", 0, kPassed},
    {"CtrlC",
     "CtrlEventEndsTheProcessAtOnce",
     {25, 80},
     "",
     130,
     "sending the event",
     "FreshSettingsAreBack"},
    {"CtrlCToChild",
     "CtrlCWhileAProgramRunsStopsOnlyThatProgram",
     {25, 80},
     "",
     130,
     "program stopped, console still running"},
    {"WaitForEnter", "WaitForEnterKeyLeavesTheLaterKeysWaiting", {25, 80}, "", 0, kPassed},
    {"NoticeFlush", "NoticeDropsKeysTypedBeforeItAndNamesTheFailure", {25, 80}, "", 0, kPassed},
    {"ShellFailure",
     "ShellShowsANoticeAfterAFailureAndDrawsTheScreenAgain",
     {25, 80},
     "",
     0,
     kPassed},
    {"ShellClean", "ShellReturnsAtOnceAfterACleanEnd", {25, 80}, "", 0, kPassed},
};

void PrintTo(const InsideCase& c, std::ostream* out) {
  *out << c.test << " in " << c.size.cols << " x " << c.size.rows;
}

class InPseudoConsoleTest : public ::testing::TestWithParam<InsideCase> {};

TEST_P(InPseudoConsoleTest, Passes) {
  if (InPseudoConsole()) GTEST_SKIP() << "already inside";
  const InsideCase& c = GetParam();
  const std::string expected = c.expected;
  std::vector<std::string> tests = {std::string("InsideConsole.") + c.test};
  if (c.then != nullptr) tests.push_back(std::string("InsideConsole.") + c.then);
  const std::vector<PseudoConsoleRun> runs = RunTestsInPseudoConsole(
      c.size, tests, {{L"R7N_EXPECTED", std::wstring(expected.begin(), expected.end())}});
  ASSERT_EQ(runs.size(), tests.size());
  EXPECT_EQ(runs[0].exit_code, c.exit_code) << runs[0].report;
  EXPECT_NE(runs[0].report.find(c.marker), std::string::npos) << runs[0].report;
  for (const PseudoConsoleRun& run : runs) {
    EXPECT_EQ(run.report.find("[  FAILED  ]"), std::string::npos) << run.report;
  }
  if (c.then != nullptr) {
    EXPECT_EQ(runs[1].exit_code, 0) << runs[1].report;
    EXPECT_NE(runs[1].report.find(kPassed), std::string::npos) << runs[1].report;
  }
}

INSTANTIATE_TEST_SUITE_P(Win32Console, InPseudoConsoleTest, ::testing::ValuesIn(kInsideCases),
                         [](const auto& test_case) { return std::string(test_case.param.label); });

// ---------------------------------------------------------------------------

TEST(Win32ConsoleStart, RefusesWithoutAConsole) {
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(nul, INVALID_HANDLE_VALUE);
  HANDLE previous_in = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE previous_out = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_INPUT_HANDLE, nul);
  SetStdHandle(STD_OUTPUT_HANDLE, nul);
  const auto started = Win32Console::Start();
  SetStdHandle(STD_INPUT_HANDLE, previous_in);
  SetStdHandle(STD_OUTPUT_HANDLE, previous_out);
  CloseHandle(nul);
  EXPECT_FALSE(started.device);
  EXPECT_EQ(started.error, "r7n_uart: standard input and output must be a console");
}

}  // namespace
}  // namespace r7n
