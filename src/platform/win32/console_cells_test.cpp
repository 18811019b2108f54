#include "platform/win32/console_cells.h"

#include <gtest/gtest.h>

#include <set>

namespace r7n {
namespace {

ScreenImage BlankImage(int rows, int cols) {
  ScreenImage image;
  image.rows = rows;
  image.cols = cols;
  image.cells.assign(static_cast<std::size_t>(rows * cols), Cell{});
  return image;
}

TEST(ConsoleAttributes, PacksForegroundLowAndBackgroundHigh) {
  struct Case {
    std::uint8_t fg;
    std::uint8_t bg;
    std::uint16_t attributes;
  };
  const Case cases[] = {
      {7, 0, 0x07},    // light grey on black
      {15, 12, 0xCF},  // white on light red: the message line
      {14, 1, 0x1E},   // yellow on blue
      {0, 7, 0x70},
      {1, 4, 0x41},  // blue stays blue, red stays red: no reordering
      {0, 0, 0x00},
      {15, 15, 0xFF},
      // Bits beyond the colour would turn on grid lines and reverse video.
      {0xF7, 0x10, 0x07},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConsoleAttributes(c.fg, c.bg), c.attributes) << int{c.fg} << " on " << int{c.bg};
  }
}

TEST(ConsoleCellOf, ShowsEachByteAsItsGlyph) {
  struct Case {
    std::uint8_t ch;
    char16_t glyph;
  };
  const Case cases[] = {
      {0x00, u' '},      {0x01, u'\u263A'}, {0x07, u'\u2022'}, {0x0A, u'\u25D9'},
      {0x0D, u'\u266A'}, {0x1B, u'\u2190'}, {'A', u'A'},       {0x7F, u'\u2302'},
      {0x82, u'\u00E9'}, {0xB0, u'\u2591'}, {0xDB, u'\u2588'}, {0xFF, u'\u00A0'},
  };
  for (const Case& c : cases) {
    const ConsoleCell cell = ConsoleCellOf(Cell{c.ch, 14, 1});
    EXPECT_EQ(cell.glyph, c.glyph) << "byte " << int{c.ch};
    EXPECT_EQ(cell.attributes, 0x1E) << "byte " << int{c.ch};
  }
}

TEST(ConsoleCellOf, NeverHandsTheConsoleAControlCharacter) {
  std::set<char16_t> glyphs;
  for (int byte = 0; byte < 256; ++byte) {
    const char16_t glyph = ConsoleCellOf(Cell{static_cast<std::uint8_t>(byte), 7, 0}).glyph;
    EXPECT_GE(glyph, u' ') << "byte " << byte;
    EXPECT_NE(glyph, u'\x7F') << "byte " << byte;
    glyphs.insert(glyph);
  }
  // Only 0x00 and the space share a glyph.
  EXPECT_EQ(glyphs.size(), 255u);
}

TEST(WholeRows, CoversEveryCellOnce) {
  const std::vector<RowSpan> expected = {{1, 1, 3}, {2, 1, 3}};
  EXPECT_EQ(WholeRows(BlankImage(2, 3)), expected);
  EXPECT_TRUE(WholeRows(BlankImage(0, 0)).empty());
}

TEST(ChangedSpans, SpanFromTheFirstToTheLastChangedCellOfEachRow) {
  struct Change {
    int row;
    int col;
  };
  struct Case {
    const char* name;
    std::vector<Change> changes;
    std::vector<RowSpan> spans;
  };
  const Case cases[] = {
      {"nothing changed", {}, {}},
      {"one cell", {{2, 5}}, {{2, 5, 5}}},
      {"top left", {{1, 1}}, {{1, 1, 1}}},
      {"bottom right", {{4, 10}}, {{4, 10, 10}}},
      {"two cells of a row: the gap comes along", {{3, 2}, {3, 9}}, {{3, 2, 9}}},
      {"rows in order, untouched rows left out", {{4, 1}, {1, 3}, {1, 4}}, {{1, 3, 4}, {4, 1, 1}}},
  };
  for (const Case& c : cases) {
    const ScreenImage before = BlankImage(4, 10);
    ScreenImage after = before;
    for (const Change& change : c.changes) after.At(change.row, change.col).ch = 'x';
    EXPECT_EQ(ChangedSpans(before, after), c.spans) << c.name;
  }
}

TEST(ChangedSpans, SeesAChangeOfColourAlone) {
  const ScreenImage before = BlankImage(2, 4);
  ScreenImage fg = before;
  fg.At(1, 2).fg = 15;
  ScreenImage bg = before;
  bg.At(2, 3).bg = 4;
  EXPECT_EQ(ChangedSpans(before, fg), (std::vector<RowSpan>{{1, 2, 2}}));
  EXPECT_EQ(ChangedSpans(before, bg), (std::vector<RowSpan>{{2, 3, 3}}));
}

TEST(ChangedSpans, IgnoresTheCursor) {
  const ScreenImage before = BlankImage(2, 4);
  ScreenImage after = before;
  after.cursor_row = 2;
  after.cursor_col = 3;
  after.cursor_visible = !before.cursor_visible;
  EXPECT_TRUE(ChangedSpans(before, after).empty());
}

TEST(ChangedSpans, RewritesEverythingWhenTheSizeDiffers) {
  EXPECT_EQ(ChangedSpans(BlankImage(2, 3), BlankImage(3, 2)), WholeRows(BlankImage(3, 2)));
  EXPECT_EQ(ChangedSpans(BlankImage(0, 0), BlankImage(2, 2)), WholeRows(BlankImage(2, 2)));
}

TEST(RowBelowText, FindsTheLastRowThatShowsAnything) {
  struct Mark {
    int row;
    int col;
    Cell cell;
  };
  struct Case {
    const char* name;
    std::vector<Mark> marks;
    int row;
  };
  const Case cases[] = {
      {"blank screen", {}, 1},
      {"text on row 1", {{1, 1, {'a', 7, 0}}}, 2},
      {"text at the end of row 3", {{3, 5, {'a', 7, 0}}}, 4},
      {"bottom row in use", {{2, 1, {'a', 7, 0}}, {4, 5, {'z', 7, 0}}}, 5},
      {"a coloured space shows", {{2, 3, {' ', 7, 4}}}, 3},
      {"a space in another foreground does not", {{3, 3, {' ', 12, 0}}}, 1},
  };
  for (const Case& c : cases) {
    ScreenImage image = BlankImage(4, 5);
    for (const Mark& mark : c.marks) image.At(mark.row, mark.col) = mark.cell;
    EXPECT_EQ(RowBelowText(image), c.row) << c.name;
  }
}

}  // namespace
}  // namespace r7n
