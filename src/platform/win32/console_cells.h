#pragma once

#include <cstdint>
#include <vector>

#include "platform/screen_image.h"

namespace r7n {

// A cell as the Win32 console takes it: the UTF-16 code unit of the glyph and
// the attribute word, foreground colour in the low four bits and background
// in the next four.
struct ConsoleCell {
  char16_t glyph = u' ';
  std::uint16_t attributes = 0x07;
  friend bool operator==(const ConsoleCell&, const ConsoleCell&) = default;
};

// The console's colour numbers are already the attribute bits (1 blue,
// 2 green, 4 red, 8 bright), so the pair only needs packing; anything above
// four bits is dropped, as it would otherwise switch on the console's line
// and reverse-video attributes.
std::uint16_t ConsoleAttributes(std::uint8_t fg, std::uint8_t bg);

// The byte is always drawn as its code page 437 glyph, never handed to the
// console as a character it might act on.
ConsoleCell ConsoleCellOf(const Cell& cell);

// Cells first_col to last_col (1-based, inclusive) of one row.
struct RowSpan {
  int row = 1;
  int first_col = 1;
  int last_col = 1;
  friend bool operator==(const RowSpan&, const RowSpan&) = default;
};

// Every row of the image, whole.
std::vector<RowSpan> WholeRows(const ScreenImage& image);

// What must be written to bring a console that shows before up to after: for
// each row that differs, the cells from the first to the last that differ.
// Every row, whole, when the two images differ in size.
std::vector<RowSpan> ChangedSpans(const ScreenImage& before, const ScreenImage& after);

// The row below the last one that shows anything (a character other than a
// space, or a background colour), 1 for a blank screen and rows + 1 when the
// bottom row is in use. The command prompt goes there when the program ends,
// so that the last screen stays in view above it.
int RowBelowText(const ScreenImage& image);

}  // namespace r7n
