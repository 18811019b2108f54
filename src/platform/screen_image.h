#pragma once

#include <cstdint>
#include <vector>

namespace r7n {

// One character cell of the text screen: the byte shown (as its code page 437
// glyph) and its console colour numbers 0-15 (IBM order: 1 blue, 4 red).
struct Cell {
  std::uint8_t ch = ' ';
  std::uint8_t fg = 7;
  std::uint8_t bg = 0;
  friend bool operator==(const Cell&, const Cell&) = default;
};

// What a console backend shows: the grid, row-major, and the cursor (1-based).
struct ScreenImage {
  int rows = 0;
  int cols = 0;
  std::vector<Cell> cells;
  int cursor_row = 1;
  int cursor_col = 1;
  bool cursor_visible = true;

  const Cell& At(int row, int col) const {
    return cells[static_cast<std::size_t>((row - 1) * cols + (col - 1))];
  }
  Cell& At(int row, int col) {
    return cells[static_cast<std::size_t>((row - 1) * cols + (col - 1))];
  }
};

}  // namespace r7n
