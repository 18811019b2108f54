// The terminal's receive side: arbitrary bytes from the far end through the
// receive parser, the SGR colours, the terminal screen on the console's screen
// model and the capture file, put together as a terminal session does it.
//
// Input: two bytes that choose how the received bytes are split into receive
// passes, one byte with the colours the session starts with (foreground in
// the low nibble, background in the high one), one byte with the window size
// (bits 0-1) and the row the session starts on, counted from the bottom
// (bits 2-7); the rest is what the far end sends.
//
// What must hold: the cursor stays in the window and every cell and colour is
// a colour number 0-15; the screen, the colours and Term.txt are those that an
// independent model of the receive rules gives; and a session that gets the
// bytes in many receive passes ends exactly like one that gets them at once.

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "fuzz/fuzz_check.h"
#include "platform/virtual_clock.h"
#include "terminal/capture_file.h"
#include "terminal/receive_parser.h"
#include "terminal/term_colors.h"
#include "terminal/terminal_screen.h"
#include "testing/headless_console.h"
#include "testing/temp_dir.h"

namespace r7n::fuzz {
namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::array<WindowSize, 4> kWindows{{{25, 80}, {25, 81}, {27, 87}, {50, 132}}};
constexpr std::string_view kTitle =
    "R7N Base #1 ZCP Console   <Fx>Macro  <SF1>Help  <SF2>Exit  Baud: 115200";

struct Start {
  WindowSize window;
  TermColors colors;
  int row = 4;
};

// Term.txt goes to the working directory, so the process works in a
// directory of its own.
void EnterPrivateDirectory() {
  static const testing::TempDir dir;
  static const bool entered = [] {
    std::filesystem::current_path(dir.Path());
    return true;
  }();
  (void)entered;
}

class StringCapture : public CaptureSink {
 public:
  void Write(std::string_view bytes) override { bytes_.append(bytes); }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// One terminal session's receive side on a headless console, started as the
// terminal starts: colours set, screen cleared, the header line and two empty
// lines printed.
class Session {
 public:
  Session(const Start& start, CaptureSink* capture)
      : device_(clock_, start.window),
        con_(device_, clock_),
        colors_(start.colors),
        screen_(con_, colors_, capture),
        parser_(screen_) {
    con_.ConColor(colors_.fg, colors_.bg, 0);
    con_.ConClear();
    con_.ConPrint(kTitle, true);
    con_.ConPrint("", true);
    con_.ConPrint("", true);
    if (start.row != con_.ConCsrRow()) con_.ConLocate(start.row, 1, -1);
  }

  void Receive(std::string_view bytes) {
    parser_.Feed(bytes);
    CheckBounds();
  }

  const ScreenModel& Screen() const { return con_.Screen(); }
  const TermColors& Colors() const { return colors_; }
  std::size_t Beeps() const { return device_.BeepTimes().size(); }
  ReceiveParser::State ParserState() const { return parser_.CurrentState(); }

  void CheckBounds() const {
    const ScreenModel& s = con_.Screen();
    Require(s.CursorRow() >= 1 && s.CursorRow() <= s.Rows(), "cursor row outside the window");
    Require(s.CursorCol() >= 1 && s.CursorCol() <= s.Cols(), "cursor column outside the window");
    Require(colors_.fg >= 0 && colors_.fg <= 15 && colors_.bg >= 0 && colors_.bg <= 15,
            "terminal colour outside 0-15");
    Require(s.Fg() == colors_.fg && s.Bg() == colors_.bg,
            "console colours differ from the terminal colours");
    Require(s.Image().cells.size() == static_cast<std::size_t>(s.Rows() * s.Cols()),
            "the grid changed its size");
  }

 private:
  VirtualClock clock_;
  testing::HeadlessConsole device_;
  Console con_;
  TermColors colors_;
  TerminalScreen screen_;
  ReceiveParser parser_;
};

// The receive rules written out once more, directly from the description of
// the terminal and the console's text output, on a grid of its own. Where
// the description leaves a choice open it makes the one the terminal makes:
// SGR 8 resets like 0; TAB and ESC [ J use the window's real width; a TAB
// right after a line end on the bottom row lets the scroll happen first.
class ReferenceTerminal {
 public:
  ReferenceTerminal(const ScreenModel& start, TermColors colors)
      : rows_(start.Rows()),
        cols_(start.Cols()),
        cells_(start.Image().cells),
        row_(start.CursorRow()),
        col_(start.CursorCol()),
        pending_(start.ScrollPending()),
        colors_(colors) {}

  void Receive(std::string_view bytes) {
    for (const char c : bytes) Byte(static_cast<std::uint8_t>(c));
  }

  const std::vector<Cell>& Cells() const { return cells_; }
  int Row() const { return row_; }
  int Col() const { return col_; }
  bool ScrollPending() const { return pending_; }
  const TermColors& Colors() const { return colors_; }
  const std::string& Capture() const { return capture_; }
  std::size_t Beeps() const { return beeps_; }
  int EscState() const { return state_; }

 private:
  void Byte(std::uint8_t b) {
    switch (state_) {
      case 0:
        return Normal(b);
      case 1:
        if (b == '[') {
          param_ = 0;
          state_ = 2;
        } else {
          state_ = 0;
          Print("<ESC>" + Hex(b));
        }
        return;
      default:
        return InParams(b);
    }
  }

  void Normal(std::uint8_t b) {
    if (b == 0x1B) {
      state_ = 1;
    } else if (b == 0x09) {
      const int stop = ((col_ - 1 + 8) & 0xF8) + 1;
      if (pending_) Print(" ");
      Locate(stop);
    } else if (b == 0x0A || b == 0x0D || b >= 0x20) {
      Print(std::string(1, static_cast<char>(b)));
      capture_ += static_cast<char>(b);
    } else if (b == 0x08) {
      if (col_ > 1) Locate(col_ - 1);
    } else if (b == 0x07) {
      ++beeps_;
    } else {
      Print(Hex(b));
    }
  }

  void InParams(std::uint8_t b) {
    if (b >= '0' && b <= '9') {
      const int digit = b - '0';
      param_ = param_ > (INT_MAX - digit) / 10 ? INT_MAX : param_ * 10 + digit;
    } else if (b == ';') {
      Sgr(param_);
      param_ = 0;
    } else if (b == 'm') {
      Sgr(param_);
      state_ = 0;
    } else if (b == 'J') {
      const int c = col_;
      if (cols_ - c > 0) Print(std::string(static_cast<std::size_t>(cols_ - c), ' '));
      Locate(c);
      state_ = 0;
    } else {
      state_ = 0;
      Print(std::string("<ESC><[><?>") + static_cast<char>(b));
    }
  }

  void Sgr(int n) {
    static constexpr int kColor[] = {4, 2, 6, 1, 5, 3, 7};
    if (n == 0 || n == 2 || n == 4 || n == 5 || n == 8) {
      colors_ = {7, 0};
    } else if (n == 1) {
      colors_.fg |= 8;
    } else if (n == 30) {
      colors_.fg &= 8;
    } else if (n >= 31 && n <= 37) {
      colors_.fg = (colors_.fg & 8) | kColor[n - 31];
    } else if (n >= 41 && n <= 47) {
      colors_.bg |= kColor[n - 41];
    }
  }

  static std::string Hex(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "<";
    if (b >= 16) text += kDigits[b / 16];
    text += kDigits[b % 16];
    return text + ">";
  }

  // Text output of the console, byte by byte.
  void Print(std::string_view text) {
    for (const char c : text) {
      if (pending_) Scroll();
      switch (c) {
        case '\r':
          col_ = 1;
          break;
        case '\n':
          NewLine();
          break;
        case '\b':
          col_ = std::max(1, col_ - 1);
          break;
        case '\t':
          do {
            Put(' ');
          } while (!pending_ && (col_ - 1) % 8 != 0);
          break;
        case '\a':
          ++beeps_;
          break;
        default:
          Put(static_cast<std::uint8_t>(c));
          break;
      }
    }
  }

  void Put(std::uint8_t b) {
    Require(row_ >= 1 && row_ <= rows_ && col_ >= 1 && col_ <= cols_, "reference left the grid");
    cells_[static_cast<std::size_t>((row_ - 1) * cols_ + col_ - 1)] = Blank(b);
    if (col_ < cols_) {
      ++col_;
    } else {
      NewLine();
    }
  }

  void NewLine() {
    col_ = 1;
    if (row_ < rows_) {
      ++row_;
    } else {
      pending_ = true;
    }
  }

  void Scroll() {
    pending_ = false;
    cells_.erase(cells_.begin(), cells_.begin() + cols_);
    cells_.insert(cells_.end(), static_cast<std::size_t>(cols_), Blank(' '));
  }

  void Locate(int col) {
    if (col < 1 || col > cols_) return;
    col_ = col;
    pending_ = false;
  }

  Cell Blank(std::uint8_t b) const {
    return Cell{b, static_cast<std::uint8_t>(colors_.fg), static_cast<std::uint8_t>(colors_.bg)};
  }

  int rows_;
  int cols_;
  std::vector<Cell> cells_;
  int row_;
  int col_;
  bool pending_;
  TermColors colors_;
  int state_ = 0;
  int param_ = 0;
  std::string capture_;
  std::size_t beeps_ = 0;
};

Start StartFrom(const std::uint8_t* header) {
  Start start;
  start.window = kWindows[header[3] & 3u];
  start.colors = {header[2] & 0x0F, header[2] >> 4};
  start.row = std::max(1, start.window.rows - (header[3] >> 2));
  return start;
}

std::string ReadCaptureFile() {
  std::ifstream in(CaptureFile::kFileName, std::ios::binary);
  Require(in.is_open(), "Term.txt is missing after the session");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void RequireSameEnd(const Session& a, const Session& b) {
  const ScreenModel& sa = a.Screen();
  const ScreenModel& sb = b.Screen();
  Require(sa.Image().cells == sb.Image().cells, "split receive passes changed the screen");
  Require(sa.CursorRow() == sb.CursorRow() && sa.CursorCol() == sb.CursorCol(),
          "split receive passes moved the cursor elsewhere");
  Require(sa.ScrollPending() == sb.ScrollPending(), "split passes changed the pending scroll");
  Require(a.Colors().fg == b.Colors().fg && a.Colors().bg == b.Colors().bg,
          "split receive passes changed the colours");
  Require(a.Beeps() == b.Beeps(), "split receive passes changed the beeps");
  Require(a.ParserState() == b.ParserState(), "split receive passes changed the parser state");
}

void RequireAsReference(const Session& s, const ReferenceTerminal& ref,
                        const std::string& capture) {
  const ScreenModel& screen = s.Screen();
  for (const Cell& cell : screen.Image().cells) {
    Require(cell.fg <= 15 && cell.bg <= 15, "a cell has a colour outside 0-15");
  }
  Require(screen.Image().cells == ref.Cells(), "the screen differs from the receive rules");
  Require(screen.CursorRow() == ref.Row() && screen.CursorCol() == ref.Col(),
          "the cursor differs from the receive rules");
  Require(screen.ScrollPending() == ref.ScrollPending(),
          "the pending scroll differs from the receive rules");
  Require(s.Colors().fg == ref.Colors().fg && s.Colors().bg == ref.Colors().bg,
          "the colours differ from the receive rules");
  Require(capture == ref.Capture(), "Term.txt does not hold exactly the bytes shown as themselves");
  Require(s.Beeps() == ref.Beeps(), "the beeps differ from the receive rules");
  Require(static_cast<int>(s.ParserState()) == ref.EscState(),
          "the parser state differs from the receive rules");
}

}  // namespace
}  // namespace r7n::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace r7n;
  using namespace r7n::fuzz;
  if (size < kHeaderBytes) return 0;
  EnterPrivateDirectory();
  const Start start = StartFrom(data);
  const std::string_view received = AsText(data + kHeaderBytes, size - kHeaderBytes);

  StringCapture whole_capture;
  Session whole(start, &whole_capture);
  ReferenceTerminal ref(whole.Screen(), start.colors);
  whole.Receive(received);
  ref.Receive(received);
  RequireAsReference(whole, ref, whole_capture.Bytes());

  // The same bytes in receive passes of 1 to `longest` bytes, captured to
  // Term.txt and flushed after each pass as the session does.
  Choices choices(static_cast<std::uint32_t>(data[0] | (data[1] << 8)));
  const std::size_t longest = 1 + choices.Next() % (data[1] & 1u ? 127u : 8u);
  {
    CaptureFile file;
    Require(file.IsOpen(), "Term.txt could not be created");
    Session split(start, &file);
    for (std::size_t pos = 0; pos < received.size();) {
      const std::size_t n = std::min(choices.Between1And(longest), received.size() - pos);
      split.Receive(received.substr(pos, n));
      file.Flush();
      pos += n;
    }
    RequireSameEnd(whole, split);
  }
  Require(ReadCaptureFile() == whole_capture.Bytes(), "split receive passes changed Term.txt");
  return 0;
}
