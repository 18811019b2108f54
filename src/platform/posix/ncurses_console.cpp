#include "platform/posix/ncurses_console.h"

#include <curses.h>
#include <langinfo.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "platform/posix/cell_glyph.h"
#include "platform/posix/final_screen.h"
#include "platform/posix/terminal_mode.h"
#include "platform/posix/terminal_type.h"
#include "platform/window_size_check.h"

namespace r7n {
namespace {

// The signals that end the program. A signal handler may call almost
// nothing, so it restores the terminal from what was worked out in advance
// and held here: the program's only mutable global state, owned by the one
// console that runs at a time.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct SignalRestore {
  bool in_use = false;                 // a console owns this
  volatile sig_atomic_t has_mode = 0;  // original holds the terminal's own mode
  termios original{};
  char leave_screen[512] = {};  // bytes that end full-screen mode
  volatile sig_atomic_t leave_length = 0;
  struct sigaction previous[std::size(kEndingSignals)] = {};
  struct sigaction previous_winch {};
  // Set by SIGWINCH, on whichever thread takes it; an atomic that needs no
  // lock is safe in a signal handler.
  std::atomic<bool> window_changed{false};
};
SignalRestore g_restore;
static_assert(std::atomic<bool>::is_always_lock_free);

void WriteAll(const char* bytes, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes, length);
    if (n <= 0 && errno != EINTR) return;
    if (n > 0) {
      bytes += n;
      length -= static_cast<std::size_t>(n);
    }
  }
}

void RestoreTerminalAndExit(int signo) {
  if (g_restore.has_mode) ::tcsetattr(STDIN_FILENO, TCSANOW, &g_restore.original);
  WriteAll(g_restore.leave_screen, static_cast<std::size_t>(g_restore.leave_length));
  ::_exit(128 + signo);
}

void NoteWindowChange(int /*signo*/) {
  g_restore.window_changed.store(true);
}

sigset_t EndingSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signo : kEndingSignals) sigaddset(&set, signo);
  return set;
}

// tputs hands over the bytes of a capability (padding worked out) one at a
// time; they are collected for the signal handler while it cannot run.
int AppendLeaveScreenByte(int c) {
  const auto length = static_cast<std::size_t>(g_restore.leave_length);
  if (length < sizeof g_restore.leave_screen) {
    g_restore.leave_screen[length] = static_cast<char>(c);
    g_restore.leave_length = static_cast<sig_atomic_t>(length + 1);
  }
  return c;
}

void AppendCapability(const char* name) {
  // tigetstr wants a writable name in older interfaces.
  std::string writable(name);
  const char* value = tigetstr(writable.data());
  if (value != nullptr && value != reinterpret_cast<char*>(-1)) {
    tputs(value, 1, AppendLeaveScreenByte);
  }
}

// What the system's own terminal database says of a type.
std::optional<bool> LookUpSystemTerminal(const std::string& type) {
  int status = 0;
  if (setupterm(type.c_str(), STDOUT_FILENO, &status) != OK) return std::nullopt;
  std::string cup("cup");  // tigetstr wants a writable name in older interfaces
  const char* address = tigetstr(cup.data());
  const bool addresses_cursor = address != nullptr && address != reinterpret_cast<char*>(-1);
  del_curterm(cur_term);
  return addresses_cursor;
}

bool LocaleIsUtf8() {
  return IsUtf8Codeset(nl_langinfo(CODESET));
}

// The program's own output is UTF-8 wherever the system has a UTF-8 locale,
// whatever the user's: every code page 437 glyph has a character there, and
// terminals in use today take UTF-8. The user's locale is kept where it is
// UTF-8 already; otherwise only the character type changes.
bool UseUtf8Locale() {
  if (std::setlocale(LC_ALL, "") != nullptr && LocaleIsUtf8()) return true;
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
    if (std::setlocale(LC_CTYPE, name) != nullptr && LocaleIsUtf8()) return true;
  }
  return false;
}

std::string SubstitutionNote(const std::string& program) {
  return program +
         ": this system has no UTF-8 locale, so line-drawing characters were drawn with the "
         "terminal's own line set and other code page 437 glyphs as '?'; install one (C.UTF-8) "
         "to see every glyph";
}

// Sets an environment variable for the life of the object, then puts back
// what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

OpenResult<NcursesConsole> NcursesConsole::Start(Clock& clock, const NcursesConsoleSetup& setup) {
  const std::string& program = setup.program;
  if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDOUT_FILENO) == 0) {
    return {nullptr, program + ": standard input and output must be a terminal"};
  }
  winsize window{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &window) != 0) {
    return {nullptr, program + ": cannot read the window size of the terminal"};
  }
  // The screen is never smaller than its layouts: a window that starts
  // smaller shows one line saying so until it grows.
  const WindowSize size{std::max<int>(window.ws_row, kMinimumWindow.rows),
                        std::max<int>(window.ws_col, kMinimumWindow.cols)};
  if (g_restore.in_use) return {nullptr, program + ": the terminal is already in use"};

  std::unique_ptr<NcursesConsole> console(new NcursesConsole(clock, size, setup));
  if (std::string error = console->TakeOver(); !error.empty()) return {nullptr, error};
  return {std::move(console), ""};
}

NcursesConsole::~NcursesConsole() {
  presenter_.reset();  // draws what is pending first
  while (!undo_.empty()) {
    undo_.back()();
    undo_.pop_back();
  }
  if (shown_) {
    const std::string text = FinalScreenText(last_, utf8_, colors_);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
}

std::string NcursesConsole::TakeOver() {
  // Before the screen opens: ncurses chooses how to draw from the locale.
  utf8_ = UseUtf8Locale();
  if (std::string error = CatchEndingSignals(); !error.empty()) return error;
  CatchWindowChanges();
  if (std::string error = OpenScreen(); !error.empty()) return error;
  PrepareSignalRestore();
  SetInputMode();
  HideCursor();
  SetUpColors();
  presenter_ = std::make_unique<PresenterThread>([this](const ScreenImage& image) { Draw(image); },
                                                 [this] { Repaint(); }, kEndingSignals,
                                                 static_cast<int>(std::size(kEndingSignals)));
  return "";
}

std::string NcursesConsole::CatchEndingSignals() {
  if (::tcgetattr(STDIN_FILENO, &g_restore.original) != 0) {
    return setup_.program + ": cannot read the terminal's mode";
  }
  g_restore.in_use = true;
  g_restore.has_mode = 1;
  struct sigaction action {};
  action.sa_handler = RestoreTerminalAndExit;
  action.sa_mask = EndingSignalSet();
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    ::sigaction(kEndingSignals[i], &action, &g_restore.previous[i]);
  }
  undo_.push_back([] {
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
      ::sigaction(kEndingSignals[i], &g_restore.previous[i], nullptr);
    }
    g_restore.has_mode = 0;
    g_restore.leave_length = 0;
    g_restore.in_use = false;
  });
  return "";
}

// The console follows the window's size itself; installed before the screen
// opens, this handler keeps ncurses from installing its own, which would
// resize the screen behind the drawing thread's back.
void NcursesConsole::CatchWindowChanges() {
  struct sigaction action {};
  action.sa_handler = NoteWindowChange;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGWINCH, &action, &g_restore.previous_winch);
  undo_.push_back([] { ::sigaction(SIGWINCH, &g_restore.previous_winch, nullptr); });
}

// Called on the program's thread, which polls keys often; the drawing thread
// does the work.
void NcursesConsole::FollowWindowChanges() {
  if (g_restore.window_changed.exchange(false)) presenter_->RequestRepaint();
}

std::string NcursesConsole::OpenScreen() {
  const char* term = std::getenv("TERM");
  const TerminalTypeChoice choice = ChooseTerminalType(term, LookUpSystemTerminal);
  switch (choice.kind) {
    case TerminalTypeChoice::Kind::kRefused:
      return RefusedTerminalMessage(setup_.program, choice.type);
    case TerminalTypeChoice::Kind::kAsNamed:
      return OpenScreenOfType(choice.type);
    case TerminalTypeChoice::Kind::kBuiltIn:
      break;
  }
  {
    // Only ncurses needs to find it: programs the console starts see the
    // environment as the user left it.
    const ScopedEnv terminfo("TERMINFO", setup_.own_terminfo);
    if (std::string error = OpenScreenOfType(choice.type); !error.empty()) {
      return MissingBuiltInTerminalMessage(setup_.program, term, setup_.own_terminfo);
    }
  }
  notes_.push_back(BuiltInTerminalMessage(setup_.program, term));
  return "";
}

std::string NcursesConsole::OpenScreenOfType(const std::string& type) {
  // newterm rather than initscr: a failure is reported here instead of ending
  // the program inside the library.
  screen_ = newterm(type.c_str(), stdout, stdin);
  if (screen_ == nullptr) {
    return setup_.program + ": cannot open the terminal of type \"" + type + "\"";
  }
  undo_.push_back([this] {
    endwin();
    delscreen(screen_);
  });
  return "";
}

void NcursesConsole::PrepareSignalRestore() {
  const sigset_t ending = EndingSignalSet();
  sigset_t previous;
  ::sigprocmask(SIG_BLOCK, &ending, &previous);
  g_restore.leave_length = 0;
  // CAN first: it abandons any escape sequence that the signal cut short.
  AppendLeaveScreenByte(0x18);
  AppendCapability("sgr0");
  AppendCapability("cnorm");
  AppendCapability("rmcup");
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  undo_.push_back([] { g_restore.leave_length = 0; });
}

void NcursesConsole::SetInputMode() {
  noecho();
  nonl();
  cbreak();
  // Escape sequences are decoded here: ncurses' own translation drops the
  // modifiers of many keys.
  keypad(stdscr, FALSE);
  // Never cut an update short because keys are waiting: they are read
  // outside ncurses, which would not notice them being taken.
  typeahead(-1);
  termios mode{};
  ::tcgetattr(STDIN_FILENO, &mode);
  const termios program = ProgramTermios(mode);
  ::tcsetattr(STDIN_FILENO, TCSANOW, &program);
  // ncurses puts this mode back whenever it takes the terminal again.
  def_prog_mode();
  undo_.push_back([] { ::tcsetattr(STDIN_FILENO, TCSANOW, &g_restore.original); });
}

void NcursesConsole::HideCursor() {
  // The program never shows the cursor: every screen is drawn with it hidden.
  const int previous = curs_set(0);
  if (previous != ERR) undo_.push_back([previous] { curs_set(previous); });
  leaveok(stdscr, TRUE);
}

void NcursesConsole::SetUpColors() {
  if (!has_colors()) return;
  start_color();
  // Pair 0 then stands for the console's default, light grey on black.
  assume_default_colors(COLOR_WHITE, COLOR_BLACK);
  colors_ = ChooseColorCapability(true, COLORS, COLOR_PAIRS);
  for (int pair = 1; pair < PairCount(colors_); ++pair) {
    const PairColors colors = ColorsOfPair(pair, colors_);
    init_pair(static_cast<short>(pair), static_cast<short>(colors.fg),
              static_cast<short>(colors.bg));
  }
}

// The image's cursor is not shown: the program runs with the cursor hidden
// throughout.
void NcursesConsole::Show(const ScreenImage& image) {
  FollowWindowChanges();
  presenter_->Post(image);
}

void NcursesConsole::Draw(const ScreenImage& image) {
  if (!shown_ || image.rows != last_.rows || image.cols != last_.cols) {
    last_ = image;
    shown_ = true;
    Repaint();
    return;
  }
  if (too_small_) {
    last_ = image;  // drawn whole once the window is large enough
    return;
  }
  bool changed = false;
  for (int row = 1; row <= std::min(image.rows, LINES); ++row) {
    if (!RowChanged(image, row)) continue;
    DrawRow(image, row, std::min(image.cols, COLS));
    changed = true;
  }
  if (!changed) return;
  last_ = image;
  refresh();
}

// The whole screen again, at the window's present size: the last image as
// far as it fits, or while the window is smaller than the layouts one line
// saying so.
void NcursesConsole::Repaint() {
  winsize window{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &window) == 0 && window.ws_row > 0 && window.ws_col > 0) {
    resizeterm(window.ws_row, window.ws_col);
  }
  erase();
  const std::string too_small = WindowTooSmallLine({LINES, COLS});
  too_small_ = !too_small.empty();
  if (too_small_) {
    mvaddnstr(0, 0, too_small.c_str(), COLS);
  } else if (shown_) {
    for (int row = 1; row <= std::min(last_.rows, LINES); ++row) {
      DrawRow(last_, row, std::min(last_.cols, COLS));
    }
  }
  // The terminal may have moved, cut or lost what was on it.
  clearok(curscr, TRUE);
  refresh();
}

bool NcursesConsole::RowChanged(const ScreenImage& image, int row) const {
  const auto begin = image.cells.begin() + (row - 1) * image.cols;
  return !std::equal(begin, begin + image.cols, last_.cells.begin() + (row - 1) * image.cols);
}

void NcursesConsole::DrawRow(const ScreenImage& image, int row, int cols) {
  std::vector<cchar_t> line(static_cast<std::size_t>(cols) + 1);
  for (int col = 1; col <= cols; ++col) {
    const Cell& cell = image.At(row, col);
    const CellLook look = LookOf(cell.fg, cell.bg, colors_);
    const attr_t attrs = (look.bold ? A_BOLD : A_NORMAL) | (look.reverse ? A_REVERSE : A_NORMAL);
    const Glyph glyph = GlyphOf(cell.ch);
    const wchar_t text[] = {glyph.ch, L'\0'};
    setcchar(&line[static_cast<std::size_t>(col - 1)], text,
             attrs | static_cast<attr_t>(glyph.attrs), static_cast<short>(look.pair), nullptr);
  }
  // Writing a whole row at once never moves the cursor, so the bottom right
  // cell is drawn without scrolling the window.
  mvwadd_wchnstr(stdscr, row - 1, 0, line.data(), cols);
}

// Without UTF-8 a line-drawing glyph is the terminal's own line character
// (an ACS character: a letter drawn in the alternate character set).
NcursesConsole::Glyph NcursesConsole::GlyphOf(std::uint8_t byte) {
  if (utf8_) return {static_cast<wchar_t>(CellGlyph(byte, true)), A_NORMAL};
  if (const char key = LineDrawingKey(byte)) {
    substituted_ = true;
    const chtype acs = NCURSES_ACS(key);
    return {static_cast<wchar_t>(acs & A_CHARTEXT), static_cast<std::uint32_t>(acs & A_ATTRIBUTES)};
  }
  const char32_t glyph = CellGlyph(byte, false);
  if (glyph == U'?' && byte != '?') substituted_ = true;
  return {static_cast<wchar_t>(glyph), A_NORMAL};
}

std::vector<std::string> NcursesConsole::NotesAfterSession() {
  presenter_->Idle();
  std::vector<std::string> notes = notes_;
  if (substituted_) notes.push_back(SubstitutionNote(setup_.program));
  return notes;
}

void NcursesConsole::PollKeys(std::vector<std::string>& keys) {
  FollowWindowChanges();
  std::uint8_t bytes[256];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const std::int64_t now = clock_.NowUs();
    for (ssize_t i = 0; i < n; ++i) decoder_.Add(bytes[i], now, keys);
  }
  decoder_.Timeout(clock_.NowUs(), keys);
}

void NcursesConsole::Beep(int /*hz*/, int /*ms*/) {
  presenter_->Run([] { beep(); });
}

// The drawing thread is idle from here until Resume has drawn: this thread
// is the only one that posts.
void NcursesConsole::Suspend() {
  presenter_->Idle();
  def_prog_mode();
  endwin();
}

void NcursesConsole::Resume() {
  reset_prog_mode();
  // The other program drew over everything, and the window may have changed
  // size meanwhile.
  g_restore.window_changed.store(false);
  Repaint();
}

}  // namespace r7n
