#include "platform/win32/console_window.h"

namespace r7n {

WindowSize ConsoleWindowSize(int left, int top, int right, int bottom) {
  return {bottom - top + 1, right - left + 1};
}

std::string ConsoleWindowProblem(WindowSize size) {
  if (size.cols >= kSmallestConsoleWindow.cols && size.rows >= kSmallestConsoleWindow.rows) {
    return "";
  }
  return "r7n_uart: the window is " + std::to_string(size.cols) + " x " +
         std::to_string(size.rows) + "; it must be at least " +
         std::to_string(kSmallestConsoleWindow.cols) + " columns by " +
         std::to_string(kSmallestConsoleWindow.rows) + " rows";
}

}  // namespace r7n
