#include "terminal/terminal_screen.h"

#include <string>

#include "terminal/term_sgr_color.h"

namespace r7n {

void TerminalScreen::Shown(std::uint8_t byte) {
  const char c = static_cast<char>(byte);
  const std::string_view text(&c, 1);
  console_.ConPrint(text, false);
  if (capture_ != nullptr) capture_->Write(text);
}

void TerminalScreen::Visible(std::string_view text) {
  console_.ConPrint(text, false);
}

void TerminalScreen::Tab() {
  const int col = console_.ConCsrCol();
  const int stop = ((col - 1 + kTabWidth) & ~(kTabWidth - 1)) + 1;
  // After a line end on the bottom row the scroll is still to come; moving the
  // cursor would cancel it and the next text would overwrite the last line.
  // A space at column 1 of the new row lets the scroll happen first.
  if (console_.Screen().ScrollPending()) console_.ConPrint(" ", false);
  // A stop beyond the last column lies outside the window, where the console
  // leaves the cursor alone.
  console_.ConLocate(0, stop, -1);
}

void TerminalScreen::Backspace() {
  const int col = console_.ConCsrCol();
  if (col > 1) console_.ConLocate(0, col - 1, -1);
}

void TerminalScreen::Bell() {
  console_.ConBeep();
}

void TerminalScreen::Sgr(int n) {
  TermSgrColor(colors_, n);
  console_.ConColor(colors_.fg, colors_.bg, 0);
}

void TerminalScreen::EraseToEnd() {
  const int col = console_.ConCsrCol();
  // Stopping short of the last column means the spaces never reach the end of
  // the row, so they can neither wrap nor scroll the window.
  const int count = console_.Screen().Cols() - col;
  if (count > 0) console_.ConPrint(std::string(static_cast<std::size_t>(count), ' '), false);
  console_.ConLocate(0, col, -1);
}

}  // namespace r7n
