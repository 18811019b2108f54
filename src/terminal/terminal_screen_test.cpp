#include "terminal/terminal_screen.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/virtual_clock.h"
#include "terminal/receive_parser.h"
#include "testing/headless_console.h"

namespace r7n {
namespace {

using namespace std::string_literals;

class StringCapture : public CaptureSink {
 public:
  void Write(std::string_view bytes) override { bytes_ += bytes; }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

class TerminalScreenTest : public ::testing::Test {
 protected:
  explicit TerminalScreenTest(WindowSize size = {25, 80}) : device_(clock_, size) {}

  void Receive(std::string_view bytes) { parser_.Feed(bytes); }
  const Cell& At(int row, int col) const { return con_.Screen().Image().At(row, col); }
  int Col() const { return con_.ConCsrCol(); }
  // The row's characters from column `from`, trailing spaces dropped.
  std::string RowText(int row, int from = 1) const {
    std::string text;
    for (int col = from; col <= con_.Screen().Cols(); ++col) {
      text += static_cast<char>(At(row, col).ch);
    }
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }
  void FillRow(int row, char ch) {
    con_.ConLocate(row, 1, -1);
    con_.ConPrint(std::string(static_cast<std::size_t>(con_.Screen().Cols()), ch), false);
  }

  VirtualClock clock_;
  testing::HeadlessConsole device_;
  Console con_{device_, clock_};
  TermColors colors_;
  StringCapture capture_;
  TerminalScreen screen_{con_, colors_, &capture_};
  ReceiveParser parser_{screen_};
};

TEST_F(TerminalScreenTest, BrightGreenAppliesToTheFollowingText) {
  Receive("a\x1b[1;32mb");
  EXPECT_EQ(At(1, 1).fg, 7);
  EXPECT_EQ(At(1, 2).fg, 10);
  EXPECT_EQ(colors_.fg, 10);
  EXPECT_EQ(con_.Screen().Fg(), 10);
}

struct ColorCase {
  const char* name;
  std::string bytes;
  int fg;
  int bg;
  friend void PrintTo(const ColorCase& c, std::ostream* os) { *os << c.name; }
};

class TerminalScreenColorTest : public TerminalScreenTest,
                                public ::testing::WithParamInterface<ColorCase> {};

TEST_P(TerminalScreenColorTest, TextAfterwardsHasTheColours) {
  const ColorCase& c = GetParam();
  Receive(c.bytes + "X");
  const Cell& x = At(1, 1);
  EXPECT_EQ(x.ch, 'X') << c.name;
  EXPECT_EQ(x.fg, c.fg) << c.name;
  EXPECT_EQ(x.bg, c.bg) << c.name;
  EXPECT_EQ(colors_.fg, c.fg) << c.name;
  EXPECT_EQ(colors_.bg, c.bg) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, TerminalScreenColorTest,
    ::testing::Values(ColorCase{"empty parameter resets", "\x1b[1;31;42m\x1b[m", 7, 0},
                      ColorCase{"backgrounds combine", "\x1b[41m\x1b[44m", 7, 5},
                      ColorCase{"40 changes nothing", "\x1b[41m\x1b[40m", 7, 4},
                      ColorCase{"0 clears the background", "\x1b[41m\x1b[0m", 7, 0},
                      ColorCase{"huge parameter changes nothing",
                                "\x1b[35m\x1b[" + std::string(100'000, '7') + "m", 5, 0}));

TEST_F(TerminalScreenTest, SequenceSplitOverTwoPassesStillColours) {
  Receive("\x1b[1;3");
  Receive("2mX");
  EXPECT_EQ(RowText(1), "X");
  EXPECT_EQ(At(1, 1).fg, 10);
}

TEST_F(TerminalScreenTest, StartsFromTheColoursItIsGiven) {
  colors_ = TermColors{12, 1};
  Receive("\x1b[33m");
  EXPECT_EQ(colors_.fg, 14);
  EXPECT_EQ(colors_.bg, 1);
}

TEST_F(TerminalScreenTest, CapturesOnlyBytesShownAsThemselves) {
  Receive("ab\r\n\x1b[31mc");
  EXPECT_EQ(capture_.Bytes(), "ab\r\nc");
  EXPECT_EQ(RowText(1), "ab");
  EXPECT_EQ(RowText(2), "c");
  EXPECT_EQ(At(2, 1).fg, 4);
}

struct VisibleCase {
  const char* name;
  std::string bytes;
  std::string row;
  std::string captured;
  friend void PrintTo(const VisibleCase& c, std::ostream* os) { *os << c.name; }
};

class TerminalScreenVisibleTest : public TerminalScreenTest,
                                  public ::testing::WithParamInterface<VisibleCase> {};

TEST_P(TerminalScreenVisibleTest, ShowsAndCaptures) {
  const VisibleCase& c = GetParam();
  Receive(c.bytes);
  EXPECT_EQ(RowText(1), c.row) << c.name;
  EXPECT_EQ(capture_.Bytes(), c.captured) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TerminalScreenVisibleTest,
    ::testing::Values(VisibleCase{"NUL", "\0"s, "<0>", ""},
                      VisibleCase{"0x0B", "a\x0B", "a<B>", "a"},
                      VisibleCase{"erase in line", "\x1b[K", "<ESC><[><?>K", ""},
                      VisibleCase{"ESC c",
                                  "\x1b"
                                  "c",
                                  "<ESC><63>", ""},
                      VisibleCase{"private mode", "\x1b[?25l", "<ESC><[><?>?25l", "25l"},
                      VisibleCase{"CR after ESC [ moves but is not captured", "ab\x1b[\rZ",
                                  "Zb<ESC><[><?>", "abZ"},
                      VisibleCase{"DEL", "\x7F", "\x7F", "\x7F"},
                      VisibleCase{"tab, backspace and bell are not captured", "a\tb\b\a",
                                  "a       b", "ab"}));

TEST_F(TerminalScreenTest, HighBytesShownAndCaptured) {
  std::string high;
  for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
  Receive(high);
  EXPECT_EQ(capture_.Bytes(), high);
  EXPECT_EQ(RowText(1) + RowText(2), high);
}

TEST_F(TerminalScreenTest, BellBeepsAndPrintsNothing) {
  Receive("\a");
  EXPECT_EQ(device_.BeepTimes().size(), 1u);
  EXPECT_EQ(Col(), 1);
  EXPECT_EQ(RowText(1), "");
}

struct MoveCase {
  const char* name;
  char byte;
  int from;
  int to;
  friend void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.name; }
};

class TerminalScreenMoveTest : public TerminalScreenTest,
                               public ::testing::WithParamInterface<MoveCase> {};

TEST_P(TerminalScreenMoveTest, MovesWithoutErasing) {
  const MoveCase& c = GetParam();
  FillRow(3, 'x');
  con_.ConLocate(3, c.from, -1);
  Receive(std::string(1, c.byte));
  EXPECT_EQ(con_.ConCsrRow(), 3) << c.name;
  EXPECT_EQ(Col(), c.to) << c.name;
  EXPECT_EQ(RowText(3), std::string(80, 'x')) << c.name;
  EXPECT_EQ(capture_.Bytes(), "") << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cursor, TerminalScreenMoveTest,
                         ::testing::Values(MoveCase{"tab from 1", '\t', 1, 9},
                                           MoveCase{"tab from 8", '\t', 8, 9},
                                           MoveCase{"tab from 9", '\t', 9, 17},
                                           MoveCase{"tab from 72", '\t', 72, 73},
                                           MoveCase{"tab from 73 stays", '\t', 73, 73},
                                           MoveCase{"tab from 80 stays", '\t', 80, 80},
                                           MoveCase{"backspace from 1 stays", '\b', 1, 1},
                                           MoveCase{"backspace from 2", '\b', 2, 1},
                                           MoveCase{"backspace from 80", '\b', 80, 79}));

TEST_F(TerminalScreenTest, EraseFromColumnOneLeavesTheLastColumn) {
  FillRow(1, 'x');
  con_.ConLocate(1, 1, -1);
  Receive("\x1b[2J");
  EXPECT_EQ(RowText(1), std::string(79, ' ') + "x");
  EXPECT_EQ(Col(), 1);
  EXPECT_EQ(con_.ConCsrRow(), 1);
  EXPECT_EQ(RowText(2), "") << "nothing wrapped";
}

TEST_F(TerminalScreenTest, EraseUsesTheCurrentColours) {
  FillRow(1, 'x');
  con_.ConLocate(1, 10, -1);
  Receive("\x1b[41m\x1b[J");
  EXPECT_EQ(RowText(1), std::string(9, 'x') + std::string(70, ' ') + "x");
  EXPECT_EQ(At(1, 9).bg, 0);
  EXPECT_EQ(At(1, 10).bg, 4);
  EXPECT_EQ(At(1, 79).bg, 4);
  EXPECT_EQ(At(1, 80).bg, 0);
  EXPECT_EQ(Col(), 10);
  EXPECT_EQ(capture_.Bytes(), "");
}

TEST_F(TerminalScreenTest, EraseAtTheLastColumnPrintsNothing) {
  FillRow(1, 'x');
  con_.ConLocate(1, 80, -1);
  Receive("\x1b[J");
  EXPECT_EQ(RowText(1), std::string(80, 'x'));
  EXPECT_EQ(Col(), 80);
}

TEST(TerminalScreenWithoutCaptureTest, ShowsTextWithNoCaptureSink) {
  VirtualClock clock;
  testing::HeadlessConsole device(clock);
  Console con(device, clock);
  TermColors colors;
  TerminalScreen screen(con, colors, nullptr);
  ReceiveParser parser(screen);
  parser.Feed("ok\r\n");
  EXPECT_EQ(con.Screen().Image().At(1, 2).ch, 'k');
  EXPECT_EQ(con.ConCsrRow(), 2);
}

class WideTerminalScreenTest : public TerminalScreenTest {
 protected:
  WideTerminalScreenTest() : TerminalScreenTest({25, 100}) {}
};

TEST_F(WideTerminalScreenTest, TabStopsAndEraseFollowTheWidth) {
  con_.ConLocate(1, 73, -1);
  Receive("\t");
  EXPECT_EQ(Col(), 81);
  Receive("\t\t\t");
  EXPECT_EQ(Col(), 97) << "no stop after 97 on a 100-column window";
  FillRow(2, 'x');
  con_.ConLocate(2, 1, -1);
  Receive("\x1b[J");
  EXPECT_EQ(RowText(2), std::string(99, ' ') + "x");
}

}  // namespace
}  // namespace r7n

namespace r7n {
namespace {

TEST_F(TerminalScreenTest, TabAfterALineEndOnTheBottomRowScrollsFirst) {
  con_.ConLocate(25, 1, -1);
  Receive("last line\r\n\tindented");
  EXPECT_EQ(RowText(24), "last line") << "the bottom line must not be overwritten";
  EXPECT_EQ(RowText(25), "        indented");
  EXPECT_EQ(capture_.Bytes(), "last line\r\nindented");
}

}  // namespace
}  // namespace r7n
