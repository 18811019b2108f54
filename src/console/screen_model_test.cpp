#include "console/screen_model.h"

#include <gtest/gtest.h>

#include <string>

namespace r7n {
namespace {

std::string RowText(const ScreenModel& s, int row) {
  std::string text;
  for (int col = 1; col <= s.Cols(); ++col) text += static_cast<char>(s.Image().At(row, col).ch);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

struct WriteCase {
  const char* name;
  int start_row, start_col;
  std::string bytes;
  int row, col;   // cursor afterwards
  int check_row;  // a row whose text is checked
  std::string check_text;
  friend void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }
};

class ScreenWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ScreenWriteTest, FollowsOutputRules) {
  const WriteCase& c = GetParam();
  ScreenModel s(25, 80);
  s.Clear();
  s.Locate(c.start_row, c.start_col);
  int bells = 0;
  s.Write(c.bytes, [&] { ++bells; });
  EXPECT_EQ(s.CursorRow(), c.row) << c.name;
  EXPECT_EQ(s.CursorCol(), c.col) << c.name;
  EXPECT_EQ(RowText(s, c.check_row), c.check_text) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ScreenWriteTest,
    ::testing::Values(
        WriteCase{"text advances", 3, 1, "abc", 3, 4, 3, "abc"},
        WriteCase{"CR to column 1", 3, 1, "abc\rX", 3, 2, 3, "Xbc"},
        WriteCase{"LF to column 1 of next row", 3, 5, "ab\ncd", 4, 3, 4, "cd"},
        WriteCase{"BS moves left, erases nothing", 3, 1, "abc\b\bX", 3, 3, 3, "aXc"},
        WriteCase{"BS stops at column 1", 3, 1, "\b\b\bX", 3, 2, 3, "X"},
        WriteCase{"TAB to column 9", 3, 1, "a\tb", 3, 10, 3, "a       b"},
        WriteCase{"TAB on a stop goes to the next", 3, 9, "\tb", 3, 18, 3, "                b"},
        WriteCase{"TAB at column 80 wraps", 3, 80, "\tb", 4, 2, 4, "b"},
        WriteCase{"BEL shows nothing", 3, 1, "a\ab", 3, 3, 3, "ab"},
        WriteCase{"control bytes are glyphs", 3, 1, std::string("\x01\x1b\x7f\x00", 4), 3, 5, 3,
                  std::string("\x01\x1b\x7f\x00", 4)},
        WriteCase{"wrap at last column", 3, 79, "abc", 4, 2, 4, "c"},
        WriteCase{"bottom right defers scroll", 25, 79, "ab", 25, 1, 25,
                  std::string(78, ' ') + "ab"},
        WriteCase{"line end on bottom row defers scroll", 25, 1, "xy\r\n", 25, 1, 25, "xy"},
        WriteCase{"next text after deferral scrolls", 25, 1, "xy\r\nz", 25, 2, 24, "xy"}));

TEST(ScreenModel, DeferredScrollHappensOnlyWhenMoreTextFollows) {
  ScreenModel s(25, 80);
  s.Clear();
  s.Locate(1, 1);
  s.Write("top", nullptr);
  s.Locate(25, 1);
  s.Write("bottom\r\n", nullptr);
  EXPECT_TRUE(s.ScrollPending());
  EXPECT_EQ(RowText(s, 1), "top");
  s.Write("next", nullptr);
  EXPECT_FALSE(s.ScrollPending());
  EXPECT_EQ(RowText(s, 1), "");
  EXPECT_EQ(RowText(s, 24), "bottom");
  EXPECT_EQ(RowText(s, 25), "next");
}

TEST(ScreenModel, LocateCancelsPendingScroll) {
  ScreenModel s(25, 80);
  s.Clear();
  s.Locate(1, 1);
  s.Write("top", nullptr);
  s.Locate(25, 80);
  s.Write("!", nullptr);
  EXPECT_TRUE(s.ScrollPending());
  s.Locate(10, 1);
  s.Write("x", nullptr);
  EXPECT_EQ(RowText(s, 1), "top");
  EXPECT_EQ(s.Image().At(25, 80).ch, '!');
}

TEST(ScreenModel, LocateOutsideWindowKeepsPosition) {
  ScreenModel s(25, 80);
  s.Clear();
  s.Locate(5, 7);
  s.Locate(30, 1);
  s.Locate(1, 81);
  s.Locate(-1, 3);
  EXPECT_EQ(s.CursorRow(), 5);
  EXPECT_EQ(s.CursorCol(), 7);
  s.Locate(0, 10);
  EXPECT_EQ(s.CursorRow(), 5);
  EXPECT_EQ(s.CursorCol(), 10);
}

TEST(ScreenModel, WritesAndClearsInCurrentColours) {
  ScreenModel s(25, 80);
  s.SetColors(14, 1);
  s.Clear();
  EXPECT_EQ(s.Image().At(25, 80), (Cell{' ', 14, 1}));
  s.SetColors(15, 12);
  s.Write("A", nullptr);
  EXPECT_EQ(s.Image().At(1, 1), (Cell{'A', 15, 12}));
  s.Locate(25, 1);
  s.Write("\r\nx", nullptr);
  EXPECT_EQ(s.Image().At(25, 80), (Cell{' ', 15, 12})) << "a scrolled-in row takes the colours";
}

TEST(ScreenModel, ScrollMovesEveryRowUpByOne) {
  ScreenModel s(25, 80);
  s.Clear();
  for (int row = 1; row <= 25; ++row) {
    s.Locate(row, 1);
    s.Write(std::to_string(row), nullptr);
  }
  s.Write("\r\n\r\nlast", nullptr);
  EXPECT_EQ(RowText(s, 1), "3");
  EXPECT_EQ(RowText(s, 23), "25");
  EXPECT_EQ(RowText(s, 24), "");
  EXPECT_EQ(RowText(s, 25), "last");
}

}  // namespace
}  // namespace r7n
