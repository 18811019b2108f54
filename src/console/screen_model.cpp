#include "console/screen_model.h"

#include <algorithm>

namespace r7n {
namespace {

constexpr std::uint8_t kBel = 7;
constexpr std::uint8_t kBs = 8;
constexpr std::uint8_t kTab = 9;
constexpr std::uint8_t kLf = 10;
constexpr std::uint8_t kCr = 13;
constexpr int kTabWidth = 8;

}  // namespace

ScreenModel::ScreenModel(int rows, int cols) {
  image_.rows = std::max(rows, 1);
  image_.cols = std::max(cols, 1);
  image_.cells.resize(static_cast<std::size_t>(image_.rows * image_.cols));
}

void ScreenModel::Clear() {
  std::fill(image_.cells.begin(), image_.cells.end(),
            Cell{' ', static_cast<std::uint8_t>(fg_), static_cast<std::uint8_t>(bg_)});
  image_.cursor_row = 1;
  image_.cursor_col = 1;
  scroll_pending_ = false;
  Touch();
}

void ScreenModel::SetColors(int fg, int bg) {
  fg_ = fg & 0x0F;
  bg_ = bg & 0x0F;
}

void ScreenModel::Locate(int row, int col) {
  const int new_row = row == 0 ? image_.cursor_row : row;
  const int new_col = col == 0 ? image_.cursor_col : col;
  if (new_row < 1 || new_row > image_.rows || new_col < 1 || new_col > image_.cols) return;
  if (row == 0 && col == 0) return;
  image_.cursor_row = new_row;
  image_.cursor_col = new_col;
  scroll_pending_ = false;
  Touch();
}

void ScreenModel::SetCursorVisible(bool visible) {
  image_.cursor_visible = visible;
  Touch();
}

void ScreenModel::Write(std::string_view bytes, const std::function<void()>& on_bell) {
  for (const char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    ApplyPendingScroll();
    switch (byte) {
      case kCr:
        image_.cursor_col = 1;
        break;
      case kLf:
        LineFeed();
        break;
      case kBs:
        image_.cursor_col = std::max(image_.cursor_col - 1, 1);
        break;
      case kTab:
        do {
          PutGlyph(' ');
        } while (!scroll_pending_ && (image_.cursor_col - 1) % kTabWidth != 0);
        break;
      case kBel:
        if (on_bell) on_bell();
        break;
      default:
        PutGlyph(byte);
        break;
    }
  }
  Touch();
}

void ScreenModel::PutGlyph(std::uint8_t byte) {
  image_.At(image_.cursor_row, image_.cursor_col) =
      Cell{byte, static_cast<std::uint8_t>(fg_), static_cast<std::uint8_t>(bg_)};
  if (image_.cursor_col < image_.cols) {
    ++image_.cursor_col;
    return;
  }
  LineFeed();
}

void ScreenModel::LineFeed() {
  image_.cursor_col = 1;
  if (image_.cursor_row < image_.rows) {
    ++image_.cursor_row;
  } else {
    scroll_pending_ = true;
  }
}

void ScreenModel::ApplyPendingScroll() {
  if (!scroll_pending_) return;
  scroll_pending_ = false;
  ScrollUp();
}

void ScreenModel::ScrollUp() {
  const auto row_len = static_cast<std::ptrdiff_t>(image_.cols);
  std::move(image_.cells.begin() + row_len, image_.cells.end(), image_.cells.begin());
  std::fill(image_.cells.end() - row_len, image_.cells.end(),
            Cell{' ', static_cast<std::uint8_t>(fg_), static_cast<std::uint8_t>(bg_)});
}

}  // namespace r7n
