#include "platform/posix/final_screen.h"

#include "platform/posix/cell_glyph.h"

namespace r7n {
namespace {

bool IsBlank(const Cell& cell) {
  return cell.ch == ' ' && cell.bg == 0;
}

int LastUsedCol(const ScreenImage& image, int row) {
  for (int col = image.cols; col >= 1; --col) {
    if (!IsBlank(image.At(row, col))) return col;
  }
  return 0;
}

std::string Sgr(const Cell& cell, ColorCapability colors) {
  const int fg = IbmToAnsi(cell.fg & 7);
  const int bg = IbmToAnsi(cell.bg & 7);
  const bool bright_fg = (cell.fg & 8) != 0;
  const bool bright_bg = (cell.bg & 8) != 0;
  switch (colors) {
    case ColorCapability::kSixteenColors:
      return "\x1b[0;" + std::to_string((bright_fg ? 90 : 30) + fg) + ";" +
             std::to_string((bright_bg ? 100 : 40) + bg) + "m";
    case ColorCapability::kEightColors:
      return std::string("\x1b[0;") + (bright_fg ? "1;" : "") + std::to_string(30 + fg) + ";" +
             std::to_string(40 + bg) + "m";
    case ColorCapability::kMonochrome:
      break;
  }
  return cell.bg != 0 ? "\x1b[0;7m" : "\x1b[0m";
}

int LastUsedRow(const ScreenImage& image) {
  for (int row = image.rows; row >= 1; --row) {
    if (LastUsedCol(image, row) > 0) return row;
  }
  return 0;
}

}  // namespace

std::string FinalScreenText(const ScreenImage& image, bool utf8, ColorCapability colors) {
  std::string out;
  const int last_row = LastUsedRow(image);
  for (int row = 1; row <= last_row; ++row) {
    std::string sgr;
    for (int col = 1; col <= LastUsedCol(image, row); ++col) {
      const Cell& cell = image.At(row, col);
      if (std::string next = Sgr(cell, colors); next != sgr) {
        out += next;
        sgr = std::move(next);
      }
      AppendGlyph(CellGlyph(cell.ch, utf8), out);
    }
    out += "\x1b[0m\r\n";
  }
  return out;
}

}  // namespace r7n
