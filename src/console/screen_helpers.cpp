#include "console/screen_helpers.h"

#include <algorithm>

#include "console/program_exit.h"

namespace r7n {

std::string ScreenHelpers::Strip(std::string_view text) {
  const int pad = std::max(kStripWidth - static_cast<int>(text.size()), 1);
  std::string strip = " ";
  strip += text;
  strip.append(static_cast<std::size_t>(pad), ' ');
  strip.resize(kStripWidth);
  // The strip must stay on its row: a TAB, CR, LF or BS in a message (a
  // configuration line may hold any of them) would move the cursor off the
  // strip, and a BEL would sound on every message. Each shows as one space.
  for (char& c : strip) {
    if (c == '\a' || c == '\b' || c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return strip;
}

ScreenHelpers::RowSlot* ScreenHelpers::SlotFor(int row) {
  if (row < kFirstSlotRow || row > kLastSlotRow) return nullptr;
  return &slots_[static_cast<std::size_t>(row - kFirstSlotRow)];
}

void ScreenHelpers::MsgLine(int mode, int row, int bg, int fg, std::string_view text) {
  RowSlot* slot = SlotFor(row);
  if (slot == nullptr) return;
  if (mode == kMsgShow) {
    slot->packed = con_.ConColor(0, 0, 3);
    slot->fg = static_cast<int>(slot->packed & 0xFFFF);
    slot->bg = static_cast<int>(slot->packed >> 16);
    slot->cursor_row = con_.ConCsrRow();
    slot->cursor_col = con_.ConCsrCol();
    con_.ConColor(fg, bg, 0);
    con_.ConLocate(row, 2, -1);
    con_.ConPrint(Strip(text), false);
    return;
  }
  con_.ConColor(slot->fg, slot->bg, 0);
  con_.ConLocate(row, 1, -1);
  con_.ConPrint(std::string(kClearWidth, ' '), false);
  con_.ConLocate(slot->cursor_row, slot->cursor_col, -1);
}

KeyCode ScreenHelpers::MsgLineKey(int row, int bg, int fg, std::string_view text, int pause_ms) {
  MsgLine(kMsgShow, row, bg, fg, text);
  KeyCode key;
  if (pause_ms == 0) {
    key = con_.WaitKey();
    if (key == KeyHome) {
      ScrReset();
      throw ProgramExit{0};
    }
  } else {
    con_.ConSleepPlain(pause_ms);
    key = con_.ConKey();
  }
  MsgLine(kMsgClear, row, 0, 0, {});
  return key;
}

void ScreenHelpers::ErrMsg(std::string_view text) {
  MsgLineKey(kErrorRow, kErrorBg, kErrorFg, text, 0);
}

void ScreenHelpers::ErrMsgBell(std::string_view text) {
  ErrBell();
  ErrMsg(text);
}

void ScreenHelpers::ErrBell() {
  if (bell_cnt_ < -1) {
    if (bell_on_ == 1) con_.ConBeep();
    ++bell_cnt_;
  }
}

void ScreenHelpers::PressAnyKey() {
  con_.ConPrint("", true);
  con_.ConPrint("Press any key to continue", true);
  con_.ConPrint("", true);
  con_.WaitKey();
}

void ScreenHelpers::ScrReset() {
  con_.ConColor(7, scr_reset_bg_, 0);
  con_.ConClear();
}

void ScreenHelpers::PrintVert(int row, int col, std::string_view text, int fg, int bg) {
  const int saved_col = con_.ConCsrCol();
  const int saved_row = con_.ConCsrRow();
  const std::uint32_t saved = con_.ConColor(0, 0, 3);
  con_.ConColor(fg, bg, 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    con_.ConLocate(row + static_cast<int>(i), col, -1);
    con_.ConPrint(text.substr(i, 1), false);
  }
  con_.ConLocate(saved_row, saved_col, -1);
  con_.ConColor(static_cast<int>(saved & 0xFFFF), static_cast<int>(saved >> 16), 0);
}

}  // namespace r7n
