#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "console/console.h"

namespace r7n {

// The message line, the error message, the press-any-key prompt, the screen
// reset and the vertical painter, built on the console operations.
class ScreenHelpers {
 public:
  static constexpr int kErrorRow = 24;
  static constexpr int kErrorBg = 12;  // light red
  static constexpr int kErrorFg = 15;  // white
  static constexpr int kMsgShow = 0;
  static constexpr int kMsgClear = 1;

  explicit ScreenHelpers(Console& console) : con_(console) {}

  // mode kMsgShow paints a strip with the text on columns 2-79 of the row and
  // remembers colours and cursor; kMsgClear wipes the row and restores them.
  void MsgLine(int mode, int row, int bg, int fg, std::string_view text);
  // Shows the strip, waits for a key (pause 0; Home ends the program) or pauses
  // and takes a waiting key, clears the strip and returns the key.
  KeyCode MsgLineKey(int row, int bg, int fg, std::string_view text, int pause_ms);
  void ErrMsg(std::string_view text);
  void ErrMsgBell(std::string_view text);
  void ErrBell();
  void PressAnyKey();
  void ScrReset();
  // Writes the characters of text one below the other from (row, col),
  // skipping spaces, then puts the cursor and colours back.
  void PrintVert(int row, int col, std::string_view text, int fg, int bg);

  // Settings made at start-up.
  void SetBellOn(int on) { bell_on_ = on; }
  void SetScrResetBg(int bg) { scr_reset_bg_ = bg; }

 private:
  static constexpr int kStripWidth = 78;  // columns 2 to 79
  static constexpr int kClearWidth = 79;  // columns 1 to 79
  static constexpr int kFirstSlotRow = 0;
  static constexpr int kLastSlotRow = 25;

  struct RowSlot {
    std::uint32_t packed = 0;
    int fg = 0;
    int bg = 0;
    int cursor_row = 0;
    int cursor_col = 0;
  };

  static std::string Strip(std::string_view text);
  RowSlot* SlotFor(int row);

  Console& con_;
  std::array<RowSlot, kLastSlotRow - kFirstSlotRow + 1> slots_{};
  int bell_on_ = 0;
  // Nothing in the program changes the counter, so no tone sounds before an
  // error message; it is kept so that the bell can be switched on in one place.
  int bell_cnt_ = 0;
  int scr_reset_bg_ = 0;
};

}  // namespace r7n
