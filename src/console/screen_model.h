#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/screen_image.h"

namespace r7n {

// The text screen kept in memory: the grid, the cursor, the current colours
// and every rule of text output. Backends only show its image.
class ScreenModel {
 public:
  ScreenModel(int rows, int cols);

  const ScreenImage& Image() const { return image_; }
  int Rows() const { return image_.rows; }
  int Cols() const { return image_.cols; }
  int CursorRow() const { return image_.cursor_row; }
  int CursorCol() const { return image_.cursor_col; }
  int Fg() const { return fg_; }
  int Bg() const { return bg_; }
  bool ScrollPending() const { return scroll_pending_; }
  // Grows with every change, so a backend can skip an unchanged image.
  std::uint64_t Revision() const { return revision_; }

  // Spaces in the current colours everywhere; cursor to row 1, column 1.
  void Clear();
  void SetColors(int fg, int bg);
  // Moves the cursor; 0 keeps that coordinate, a value outside the window
  // leaves the position as it is. A move cancels a pending scroll.
  void Locate(int row, int col);
  void SetCursorVisible(bool visible);
  // Writes bytes at the cursor in the current colours. BEL shows nothing and
  // calls on_bell at its place in the output.
  void Write(std::string_view bytes, const std::function<void()>& on_bell);

 private:
  void PutGlyph(std::uint8_t byte);
  void LineFeed();
  void ScrollUp();
  void ApplyPendingScroll();
  void Touch() { ++revision_; }

  ScreenImage image_;
  int fg_ = 7;
  int bg_ = 0;
  // Set when output ends after the bottom-right cell or with a line end on the
  // bottom row: the window scrolls only when more text follows, so a full
  // screen can be drawn without losing its top row.
  bool scroll_pending_ = false;
  std::uint64_t revision_ = 0;
};

}  // namespace r7n
