#include "platform/win32/console_cells.h"

#include <algorithm>
#include <optional>

#include "keys/cp437.h"

namespace r7n {
namespace {

constexpr std::uint16_t kColorBits = 0x0F;
constexpr int kBackgroundShift = 4;

bool ShowsSomething(const Cell& cell) {
  return cell.ch != ' ' || cell.bg != 0;
}

std::optional<RowSpan> ChangedSpanOfRow(const ScreenImage& before, const ScreenImage& after,
                                        int row) {
  int first = 0;
  int last = 0;
  for (int col = 1; col <= after.cols; ++col) {
    if (before.At(row, col) == after.At(row, col)) continue;
    if (first == 0) first = col;
    last = col;
  }
  if (first == 0) return std::nullopt;
  return RowSpan{row, first, last};
}

}  // namespace

std::uint16_t ConsoleAttributes(std::uint8_t fg, std::uint8_t bg) {
  return static_cast<std::uint16_t>((fg & kColorBits) | ((bg & kColorBits) << kBackgroundShift));
}

ConsoleCell ConsoleCellOf(const Cell& cell) {
  // Every glyph of the code page lies in the Basic Multilingual Plane, so one
  // UTF-16 code unit holds it.
  return {static_cast<char16_t>(Cp437ToUnicode(cell.ch)), ConsoleAttributes(cell.fg, cell.bg)};
}

std::vector<RowSpan> WholeRows(const ScreenImage& image) {
  std::vector<RowSpan> spans;
  if (image.cols <= 0) return spans;
  for (int row = 1; row <= image.rows; ++row) spans.push_back({row, 1, image.cols});
  return spans;
}

std::vector<RowSpan> ChangedSpans(const ScreenImage& before, const ScreenImage& after) {
  if (before.rows != after.rows || before.cols != after.cols) return WholeRows(after);
  std::vector<RowSpan> spans;
  for (int row = 1; row <= after.rows; ++row) {
    if (auto span = ChangedSpanOfRow(before, after, row)) spans.push_back(*span);
  }
  return spans;
}

int RowBelowText(const ScreenImage& image) {
  for (int row = image.rows; row >= 1; --row) {
    const auto begin = image.cells.begin() + (row - 1) * image.cols;
    if (std::any_of(begin, begin + image.cols, ShowsSomething)) return row + 1;
  }
  return 1;
}

}  // namespace r7n
